# The layer check (cmake -DROOT=<source dir> -DRULES=<layers-rules.cmake>
# -P CheckLayers.cmake), run by the build and by the test "layers"; the
# rules come from QM_LAYERS and the libraries' links (cmake/Layers.cmake).
#
# A file of a layer's folder may include:
# - a header of its own folder;
# - a header of another folder whose library its own library links (a
#   header of ours: links PUBLIC, as whoever includes it gets that too);
# - a Qt header of a module its library links, or gets from a library of
#   ours it links (or one that module builds on);
# - sqlite3.h, libpq-fe.h or jpeglib.h only where the library links that
#   client library (PRIVATE keeps it out of the headers).
# Everything else is reported, and the check fails.

cmake_minimum_required(VERSION 3.25)
include(${RULES})

set(QM_CLIENT_sqlite3.h SQLite::SQLite3)
set(QM_CLIENT_libpq-fe.h PkgConfig::PQ)
set(QM_CLIENT_jpeglib.h JPEG::JPEG)

# Which Qt module a header name (<QWidget>, <QtWidgets/QWidget>) belongs to.
function(qt_module_of name out)
  set(found "")
  if(name MATCHES "^(Qt[A-Za-z]+)/")
    set(found "Qt6::${CMAKE_MATCH_1}")
    string(REPLACE "Qt6::Qt" "Qt6::" found "${found}")
  elseif(name MATCHES "^Q[A-Za-z]+$" OR name MATCHES "^Qt[A-Za-z]+$")
    foreach(module Core Gui Widgets PrintSupport Test)
      if(DEFINED QM_QT_DIR_${module} AND EXISTS "${QM_QT_DIR_${module}}/${name}")
        set(found "Qt6::${module}")
        break()
      endif()
    endforeach()
  endif()
  set(${out} "${found}" PARENT_SCOPE)
endfunction()

set(faults "")
foreach(folder ${QM_FOLDERS})
  string(MAKE_C_IDENTIFIER "${folder}" key)
  set(linked ${QM_LINKED_${key}})
  set(public ${QM_PUBLIC_${key}})
  file(GLOB files ${ROOT}/${folder}/*.h ${ROOT}/${folder}/*.cpp)
  foreach(file ${files})
    file(RELATIVE_PATH shown ${ROOT} ${file})
    set(isHeader FALSE)
    if(file MATCHES "\\.h$")
      set(isHeader TRUE)
    endif()
    if(isHeader)
      set(may ${public})
      set(how "links PUBLIC")
    else()
      set(may ${linked})
      set(how "links")
    endif()
    file(STRINGS ${file} includes REGEX "^[ \t]*#[ \t]*include[ \t]*[<\"]")
    foreach(line ${includes})
      if(NOT line MATCHES "#[ \t]*include[ \t]*([<\"])([^>\"]+)[>\"]")
        continue()
      endif()
      set(quote "${CMAKE_MATCH_1}")
      set(name "${CMAKE_MATCH_2}")
      if(quote STREQUAL "\"")
        get_filename_component(from "${name}" DIRECTORY)
        if(from STREQUAL "" OR from STREQUAL folder)
          continue()
        endif()
        if(NOT from IN_LIST may)
          list(APPEND faults "${shown}: includes \"${name}\", but its library (${folder}/) ${how} nothing of ${from}/")
        endif()
      else()
        set(needs "")
        if(DEFINED QM_CLIENT_${name})
          set(needs ${QM_CLIENT_${name}})
        else()
          qt_module_of("${name}" needs)
        endif()
        if(needs AND NOT needs IN_LIST may)
          list(APPEND faults "${shown}: includes <${name}>, but its library (${folder}/) ${how} no ${needs}")
        endif()
      endif()
    endforeach()
  endforeach()
endforeach()

if(faults)
  list(LENGTH faults n)
  list(JOIN faults "\n  " text)
  message(FATAL_ERROR "layers: ${n} include(s) across the layers (rows: QM_LAYERS in CMakeLists.txt):\n  ${text}")
endif()
