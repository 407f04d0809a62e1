# The monitor ROM's room: prints the bytes it uses and leaves free (from the
# symbol ROMEND of the build), then assembles the source again with exactly
# the free room filled, which must give the 8,192-byte image, and with one
# byte more, which pasmo must refuse.
#   cmake -DPASMO=<pasmo> -DSOURCE=<monitor.asm> -DSYMBOLS=<MPF1P.sym> -P rom_size.cmake
file(STRINGS "${SYMBOLS}" romend REGEX "^ROMEND[ \t]")
string(REGEX MATCH "[0-9A-F]+H$" romend "${romend}")
string(REGEX REPLACE "H$" "" romend "${romend}")
math(EXPR used "0x${romend}")
math(EXPR free "8192 - ${used}")
message(STATUS "plover monitor ROM: ${used} bytes used, ${free} free")
if(free LESS 0)
  message(FATAL_ERROR "the monitor outgrows its ROM")
endif()

execute_process(COMMAND mktemp -d OUTPUT_VARIABLE scratch OUTPUT_STRIP_TRAILING_WHITESPACE)
file(READ "${SOURCE}" text)
set(failed "")
foreach(extra 0 1)
  math(EXPR fill "${free} + ${extra}")
  string(REPLACE "\nROMEND:" "\n            defs ${fill},0\nROMEND:" padded "${text}")
  file(WRITE "${scratch}/padded.asm" "${padded}")
  execute_process(COMMAND "${PASMO}" "${scratch}/padded.asm" "${scratch}/padded.bin"
                  RESULT_VARIABLE status OUTPUT_QUIET ERROR_QUIET)
  if(extra EQUAL 0)
    file(SIZE "${scratch}/padded.bin" size)
    if(NOT status EQUAL 0 OR NOT size EQUAL 8192)
      set(failed "filled to the last byte, the ROM does not assemble to 8,192 bytes (status ${status})")
    endif()
  elseif(status EQUAL 0)
    set(failed "one byte past 8 KiB still assembles")
  endif()
endforeach()
file(REMOVE_RECURSE "${scratch}")
if(failed)
  message(FATAL_ERROR "${failed}")
endif()
