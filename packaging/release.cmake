# The newest entry of packaging/changelog is the one place a release is written down: its version
# (upstream and Debian revision), its date and who made it. Read before project(), which takes
# the version from here.
file(STRINGS ${CMAKE_CURRENT_LIST_DIR}/changelog release_heading LIMIT_COUNT 1)
if(NOT release_heading MATCHES "^sorpex \\(([0-9]+\\.[0-9]+)-([0-9]+)\\) ")
    message(FATAL_ERROR "packaging/changelog: the first line is no entry heading: ${release_heading}")
endif()
set(SORPEX_UPSTREAM_VERSION ${CMAKE_MATCH_1})
set(SORPEX_DEBIAN_REVISION ${CMAKE_MATCH_2})

file(STRINGS ${CMAKE_CURRENT_LIST_DIR}/changelog release_trailer REGEX "^ -- " LIMIT_COUNT 1)
if(NOT release_trailer MATCHES "^ -- (.+ <[^>]+>)  [A-Z][a-z][a-z], ([0-9][0-9]) ([A-Z][a-z][a-z]) ([0-9][0-9][0-9][0-9]) ")
    message(FATAL_ERROR "packaging/changelog: the newest entry has no valid trailer: ${release_trailer}")
endif()
set(release_signer "${CMAKE_MATCH_1}")
set(release_day ${CMAKE_MATCH_2})
set(release_year ${CMAKE_MATCH_4})
set(months Jan Feb Mar Apr May Jun Jul Aug Sep Oct Nov Dec)
list(FIND months ${CMAKE_MATCH_3} release_month)
math(EXPR release_month "${release_month} + 1" OUTPUT_FORMAT DECIMAL)
string(LENGTH "${release_month}" month_digits)
if(month_digits EQUAL 1)
    set(release_month "0${release_month}")
endif()
# The date of the manual pages, in the form man and mandoc parse.
set(SORPEX_RELEASE_DATE "${release_year}-${release_month}-${release_day}")

# Who answers for the package; the one who made the newest release unless the build says otherwise
# (cmake -DSORPEX_MAINTAINER="Name <address>").
set(SORPEX_MAINTAINER "${release_signer}" CACHE STRING "The Maintainer field of the Debian package")
