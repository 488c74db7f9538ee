# Debian's hardening flags, as dpkg-buildflags gives them on the build machine: fortified libc
# functions, stack protector, format checks, read-only relocations bound at start (PIE is the
# compiler's default there). Only the hardening: the build type keeps choosing optimisation and
# debug information, and file names stay as the compiler sees them, since the programs' checks
# print them. Where dpkg-buildflags is missing the build goes on without them.
find_program(DPKG_BUILDFLAGS dpkg-buildflags)
if(DPKG_BUILDFLAGS)
    foreach(kind CPPFLAGS CXXFLAGS LDFLAGS)
        execute_process(
            COMMAND ${CMAKE_COMMAND} -E env
                "DEB_BUILD_MAINT_OPTIONS=hardening=+all reproducible=-fixfilepath,-fixdebugpath"
                "DEB_${kind}_MAINT_STRIP=-g -O2"
                ${DPKG_BUILDFLAGS} --get ${kind}
            OUTPUT_VARIABLE flags
            OUTPUT_STRIP_TRAILING_WHITESPACE)
        separate_arguments(flags UNIX_COMMAND "${flags}")
        if(kind STREQUAL "LDFLAGS")
            add_link_options(${flags})
        elseif(kind STREQUAL "CPPFLAGS")
            # Fortified functions need the optimiser; unoptimised builds would only warn.
            foreach(flag ${flags})
                add_compile_options($<$<NOT:$<CONFIG:Debug>>:${flag}>)
            endforeach()
        else()
            add_compile_options(${flags})
        endif()
    endforeach()
endif()
