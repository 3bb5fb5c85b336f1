# Debian's hardening flags for the programs of an optimised build, as
# dpkg-buildflags gives them with every hardening feature on (stack
# protector, fortified functions, read-only relocations bound at load).
# Sanitizer and fuzzing builds keep their own flags.
find_program(DPKG_BUILDFLAGS dpkg-buildflags)
if(DPKG_BUILDFLAGS AND NOT CVCC_SANITIZE AND NOT CVCC_FUZZ)
    foreach(kind CPPFLAGS CXXFLAGS LDFLAGS)
        execute_process(
            COMMAND ${CMAKE_COMMAND} -E env DEB_BUILD_MAINT_OPTIONS=hardening=+all
                    ${DPKG_BUILDFLAGS} --get ${kind}
            OUTPUT_VARIABLE ${kind} OUTPUT_STRIP_TRAILING_WHITESPACE)
    endforeach()
    # The banner carries the build's year from __DATE__ by design; the
    # warning about it says nothing new.
    string(REPLACE "-Wdate-time" "" CPPFLAGS "${CPPFLAGS}")
    string(APPEND CMAKE_CXX_FLAGS " ${CPPFLAGS} ${CXXFLAGS}")
    string(APPEND CMAKE_EXE_LINKER_FLAGS " ${LDFLAGS}")
endif()
