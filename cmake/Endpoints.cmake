# The maker's web endpoints are fixed at build time; the program has no option for them.
# Tests and the demo configure loopback addresses here.
set(NUDGE_CLICKLOG_URL "http://stat.zorvex.com/click/log" CACHE STRING "Click-log endpoint (GET ?data=...)")
set(NUDGE_PAYPAGE_URL "http://pay.zorvex.com/pay/showpay" CACHE STRING "Pay page (?sign=...)")
set(NUDGE_PORTAL_URL "https://www.zorvex.com/" CACHE STRING "The maker's portal")
configure_file(${CMAKE_CURRENT_LIST_DIR}/Endpoints.h.in ${PROJECT_BINARY_DIR}/generated/Endpoints.h @ONLY)
