# What the folders' libraries cannot refuse by themselves. Each folder's headers are found only by what links
# its library, so an include that points up a layer or from one screen into another already fails to build;
# this checks the rest:
# - no include climbs out of its folder by a relative path, past the include directories;
# - core includes no header of Qt Widgets, the remote-logging library none of Qt Gui or Qt Widgets: the
#   platform layer under them links both (the application object is a QApplication), so the linker lets
#   them through. Core passes the windows and menus it names on as pointers.
# Run as: cmake -DSOURCE_DIR=<src> -DWIDGETS_HEADERS=<dir> -DGUI_HEADERS=<dir> -P LayeringCheck.cmake
cmake_minimum_required(VERSION 3.25)
set(banned_core ${WIDGETS_HEADERS})
set(banned_remotelog ${WIDGETS_HEADERS} ${GUI_HEADERS})

set(violations "")
file(GLOB_RECURSE sources "${SOURCE_DIR}/*.h" "${SOURCE_DIR}/*.cpp")
foreach(source IN LISTS sources)
  file(RELATIVE_PATH relative "${SOURCE_DIR}" "${source}")
  string(REGEX MATCH "^[a-z]+" folder "${relative}")
  file(STRINGS "${source}" climbing REGEX "^#include \"(.*/)?\\.\\./")
  foreach(line IN LISTS climbing)
    list(APPEND violations "${relative}: ${line}")
  endforeach()
  if(NOT DEFINED banned_${folder})
    continue()
  endif()
  file(STRINGS "${source}" qt_includes REGEX "^#include <Qt?[A-Za-z]+(/[A-Za-z]+)?>")
  foreach(line IN LISTS qt_includes)
    string(REGEX REPLACE "^#include <(.*/)?([A-Za-z]+)>.*" "\\2" header "${line}")
    foreach(banned IN LISTS banned_${folder})
      if(EXISTS "${banned}/${header}" AND NOT IS_DIRECTORY "${banned}/${header}")
        list(APPEND violations "${relative}: ${line}")
      endif()
    endforeach()
  endforeach()
endforeach()

if(violations)
  list(JOIN violations "\n  " listed)
  message(FATAL_ERROR "Includes past a folder's library:\n  ${listed}")
endif()
