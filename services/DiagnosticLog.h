// The switchable trace: one line per call into C:\log\<program file name>.txt, only while the marker
// file C:\log\ldrx.log exists.
#pragma once

void WriteDiagnosticLog(const wchar_t* format, ...) noexcept;
