# cmake -DSOURCE_DIR=<repository> -P check_includes.cmake
# Fails with one line per include that goes up a layer. From the bottom:
# kestrel: z80, board, debug and pictures (none of them with Qt; the first
#          three without SDL or ALSA either), gui,
#          debugger_ui, shell;
# plover:  z80 and video (framebuffer), board (none of them with SDL), shell.
# The two programs share no code, and the Intel HEX reader depends on neither.
cmake_minimum_required(VERSION 3.20)

set(faults "")
# scan(<folder> <regex of lines to look at> <regex of what they must not hold>):
# adds one fault per matching line of a source below the folder, comments aside.
function(scan folder lines_wanted forbidden)
  file(GLOB_RECURSE sources "${SOURCE_DIR}/${folder}/*.h" "${SOURCE_DIR}/${folder}/*.cpp")
  foreach(source ${sources})
    file(STRINGS "${source}" lines REGEX "${lines_wanted}")
    foreach(line ${lines})
      string(REGEX REPLACE "//.*$" "" code "${line}")
      if(code MATCHES "${forbidden}")
        file(RELATIVE_PATH name "${SOURCE_DIR}" "${source}")
        string(APPEND faults "${name}: ${line}\n")
      endif()
    endforeach()
  endforeach()
  set(faults "${faults}" PARENT_SCOPE)
endfunction()

# check(<folder> <regex of forbidden includes>)
function(check folder forbidden)
  scan("${folder}" "^[ \t]*#[ \t]*include" "${forbidden}")
  set(faults "${faults}" PARENT_SCOPE)
endfunction()

# check_code(<folder> <regex>): fails on any line of code that matches.
function(check_code folder forbidden)
  scan("${folder}" "" "${forbidden}")
  set(faults "${faults}" PARENT_SCOPE)
endfunction()

# A window class by its own file name, whatever the path it is reached by,
# never comes below the GUI layers: the machine is driven, it does not drive.
set(window_classes "(window|_view|_dialog)\\.h\"")
check(kestrel/z80 "\"kestrel/(board|debug|pictures|gui|debugger_ui|shell)/|<Q|<SDL|<alsa|${window_classes}")
check(kestrel/board "\"kestrel/(debug|pictures|gui|debugger_ui|shell)/|<Q|<SDL|<alsa|${window_classes}")
check(kestrel/debug "\"kestrel/(pictures|gui|debugger_ui|shell)/|<Q|<SDL|<alsa|${window_classes}")
check(kestrel/pictures "\"kestrel/(debug|gui|debugger_ui|shell)/|<Q")
check(kestrel/gui "\"kestrel/(pictures|debugger_ui|shell)/")
check(kestrel/debugger_ui "\"kestrel/shell/")

check(plover/z80 "\"plover/(video|board|shell)/|<SDL")
# plover's core draws nothing, not even through a seam of its own: no
# framebuffer, palette or text grid, no present and no wait for a key.
check_code(plover/z80 "[^a-zA-Z](Screen|IndexScreen|Picture|SetPaletteEntry|LocateText|TextRow|TextColumn|TextForeground|TextBackground|Present[a-zA-Z]*|TextOut[a-zA-Z]*|WaitKey[a-zA-Z]*)[^a-zA-Z]")
check(plover/video "\"plover/(z80|board|shell)/|<SDL")
check(plover/board "\"plover/shell/|<SDL")
check(kestrel "\"plover/")
check(plover "\"kestrel/|<Q")
check(intel_hex "\"(kestrel|plover)/|<Q|<SDL")

if(faults)
  message(FATAL_ERROR "includes that go up a layer, or drawing in plover's core:\n${faults}")
endif()
message(STATUS "every folder includes only from its own layer or below")
