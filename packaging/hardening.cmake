# The Debian hardening flags, for the package and every Release build: both programs parse
# replies from the network and files from elsewhere. dpkg-buildflags gives them with every
# hardening feature on (relro and bind now, fortify, stack protector strong, PIE); dpkg before
# 1.22 does not give stack clash and CF protection, so they are added where it leaves them out.
include(CheckCXXCompilerFlag)
find_program(DPKG_BUILDFLAGS dpkg-buildflags)
if(NOT DPKG_BUILDFLAGS)
    message(FATAL_ERROR "A Release build takes its hardening flags from dpkg-buildflags: install dpkg-dev")
endif()
foreach(kind CPPFLAGS CFLAGS CXXFLAGS LDFLAGS)
    execute_process(
        COMMAND ${CMAKE_COMMAND} -E env DEB_BUILD_MAINT_OPTIONS=hardening=+all ${DPKG_BUILDFLAGS} --get ${kind}
        WORKING_DIRECTORY ${CMAKE_SOURCE_DIR}
        OUTPUT_VARIABLE deb_${kind}
        OUTPUT_STRIP_TRAILING_WHITESPACE
        COMMAND_ERROR_IS_FATAL ANY)
endforeach()
foreach(flag -fstack-clash-protection -fcf-protection)
    string(FIND " ${deb_CXXFLAGS} " " ${flag} " given)
    string(MAKE_C_IDENTIFIER "has${flag}" known)
    check_cxx_compiler_flag(${flag} ${known})
    if(given EQUAL -1 AND ${known})
        string(APPEND deb_CFLAGS " ${flag}")
        string(APPEND deb_CXXFLAGS " ${flag}")
    endif()
endforeach()
string(APPEND CMAKE_C_FLAGS " ${deb_CPPFLAGS} ${deb_CFLAGS}")
string(APPEND CMAKE_CXX_FLAGS " ${deb_CPPFLAGS} ${deb_CXXFLAGS}")
string(APPEND CMAKE_EXE_LINKER_FLAGS " ${deb_LDFLAGS}")
string(APPEND CMAKE_SHARED_LINKER_FLAGS " ${deb_LDFLAGS}")
message(STATUS "Hardening: ${deb_CPPFLAGS} ${deb_CXXFLAGS} ${deb_LDFLAGS}")
