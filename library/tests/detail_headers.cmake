# Fails when a source outside library/ includes one of the library's internal headers
# (library/detail/): the front ends build on the public headers only.
file(GLOB_RECURSE sources
     ${SOURCE_DIR}/app/*.c ${SOURCE_DIR}/app/*.cpp ${SOURCE_DIR}/app/*.h ${SOURCE_DIR}/app/*.hpp
     ${SOURCE_DIR}/tools/*.c ${SOURCE_DIR}/tools/*.cpp ${SOURCE_DIR}/tools/*.h
     ${SOURCE_DIR}/tools/*.hpp ${SOURCE_DIR}/bench/*.cpp ${SOURCE_DIR}/fuzz/*.c
     ${SOURCE_DIR}/fuzz/*.cpp ${SOURCE_DIR}/python/*.cpp)
set(offenders "")
foreach(source IN LISTS sources)
    file(STRINGS ${source} lines REGEX "^[ \t]*#[ \t]*include[ \t]*[\"<]([^\">]*/)?detail/")
    if(lines)
        list(APPEND offenders "${source}: ${lines}")
    endif()
endforeach()
if(offenders)
    list(JOIN offenders "\n" text)
    message(FATAL_ERROR "internal library headers included outside library/:\n${text}")
endif()
