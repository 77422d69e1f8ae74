# Deployment settings: the publisher's host names and the product version, compiled into the
# program. A publisher configures its own with -D<name>=<value>.

set(VG_CDN_HOST "cdn.varnugames.com" CACHE STRING "CDN host")
set(VG_TELEMETRY_HOST "trel.varnugames.com" CACHE STRING "Telemetry collector host")
set(VG_SERVICE_API_HOST_LIVE "api.varnugames.com" CACHE STRING "Service API host, live")
set(VG_SERVICE_API_HOST_QA "qa-api.varnugames.com" CACHE STRING "Service API host, QA")
set(VG_SECURITY_CENTRE_HOST_PROD "sc.varnugames.com" CACHE STRING "Security centre host, production")
set(VG_SECURITY_CENTRE_HOST_STAGE "stage-sc.varnugames.com" CACHE STRING "Security centre host, stage")
set(VG_SECURITY_CENTRE_HOST_QA "qa-sc.varnugames.com" CACHE STRING "Security centre host, QA")
set(VG_UPDATE_SIGNER "" CACHE STRING
    "Signer name a new build of the program must carry; empty: never self-update")
set(VG_PRODUCT_VERSION "1.0.0.1" CACHE STRING "Product version: four dot-separated numbers")

set(VG_HOST_SETTINGS
    VG_CDN_HOST VG_TELEMETRY_HOST VG_SERVICE_API_HOST_LIVE VG_SERVICE_API_HOST_QA
    VG_SECURITY_CENTRE_HOST_PROD VG_SECURITY_CENTRE_HOST_STAGE VG_SECURITY_CENTRE_HOST_QA)

foreach(setting IN LISTS VG_HOST_SETTINGS)
    if(NOT "${${setting}}" MATCHES "^[A-Za-z0-9]([A-Za-z0-9.-]*[A-Za-z0-9])?$")
        message(FATAL_ERROR "${setting} must be a plain host name, not '${${setting}}'")
    endif()
endforeach()

if(NOT VG_PRODUCT_VERSION MATCHES "^([0-9]+)\\.([0-9]+)\\.([0-9]+)\\.([0-9]+)$")
    message(FATAL_ERROR "VG_PRODUCT_VERSION must be four dot-separated numbers, not '${VG_PRODUCT_VERSION}'")
endif()
foreach(part ${CMAKE_MATCH_1} ${CMAKE_MATCH_2} ${CMAKE_MATCH_3} ${CMAKE_MATCH_4})
    if(part GREATER 65535)
        message(FATAL_ERROR "VG_PRODUCT_VERSION: each number must be at most 65535")
    endif()
endforeach()
set(VG_PRODUCT_VERSION_COMMAS "${CMAKE_MATCH_1},${CMAKE_MATCH_2},${CMAKE_MATCH_3},${CMAKE_MATCH_4}")

# The strings of the program's version information, carried by the Windows version resource and
# by the block embedded in the Linux program alike.
set(VG_VERSION_COMPANY_NAME "Varnugames")
set(VG_VERSION_FILE_DESCRIPTION "Varnugames Starter")
set(VG_VERSION_INTERNAL_NAME "VarnugamesStarter")
set(VG_VERSION_LEGAL_COPYRIGHT "Copyright (C) Varnugames. All rights reserved.")
set(VG_VERSION_ORIGINAL_FILE_NAME "VarnugamesStarter.exe")
set(VG_VERSION_PRODUCT_NAME "Varnugames Starter")
# Korean, Unicode: the language and code page of the program's string table.
set(VG_VERSION_LANGUAGE "0x0412")
set(VG_VERSION_CODE_PAGE "0x04B0")

function(vg_write_deployment_header path)
    configure_file(${PROJECT_SOURCE_DIR}/cmake/deployment_settings.h.in ${path} @ONLY)
endfunction()
