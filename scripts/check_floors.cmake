# Checks the floors of the code: an include runs only down, from a folder to
# one below it (or within its own folder), and every class's members are
# defined in the folder of the header that declares the class.
#
#     cmake -DROOT=<source folder> -P scripts/check_floors.cmake
#
# Prints each fault and fails when there is one.

# Top to bottom; the README's layout section describes the same order.
set(floors app game windows records robots core framework assets)

if(NOT ROOT)
  message(FATAL_ERROR "usage: cmake -DROOT=<source folder> -P check_floors.cmake")
endif()

set(faults 0)
set(idchar "[A-Za-z_0-9]")

# Every class a header declares, with its folder.
foreach(folder IN LISTS floors)
  file(GLOB headers "${ROOT}/${folder}/*.h")
  foreach(header IN LISTS headers)
    file(STRINGS "${header}" lines REGEX "^class ${idchar}+ *[:{]")
    foreach(line IN LISTS lines)
      string(REGEX MATCH "^class (${idchar}+)" _ "${line}")
      set(home_${CMAKE_MATCH_1} ${folder})
    endforeach()
  endforeach()
endforeach()

foreach(folder IN LISTS floors)
  list(FIND floors ${folder} rank)
  file(GLOB sources "${ROOT}/${folder}/*.h" "${ROOT}/${folder}/*.cpp")
  foreach(source IN LISTS sources)
    file(RELATIVE_PATH name "${ROOT}" "${source}")

    file(STRINGS "${source}" includes REGEX "^#include \"${idchar}+/")
    foreach(line IN LISTS includes)
      string(REGEX MATCH "^#include \"(${idchar}+)/" _ "${line}")
      set(target ${CMAKE_MATCH_1})
      list(FIND floors ${target} target_rank)
      if(NOT target STREQUAL folder AND target_rank GREATER -1 AND target_rank LESS rank)
        message("${name} includes ${target}/, a floor above ${folder}/: ${line}")
        math(EXPR faults "${faults} + 1")
      endif()
    endforeach()

    # Definitions outside a class body start at the line's first column.
    file(STRINGS "${source}" definitions REGEX "^[A-Za-z_:].*${idchar}+::~?${idchar}+\\(")
    foreach(line IN LISTS definitions)
      string(REGEX MATCH "(${idchar}+)::(~?${idchar}+)\\(" _ "${line}")
      set(class ${CMAKE_MATCH_1})
      if(DEFINED home_${class} AND NOT home_${class} STREQUAL folder)
        message("${name} defines ${class}::${CMAKE_MATCH_2}, whose class is in ${home_${class}}/")
        math(EXPR faults "${faults} + 1")
      endif()
    endforeach()
  endforeach()
endforeach()

if(faults GREATER 0)
  message(FATAL_ERROR "${faults} faults in the floors")
endif()
