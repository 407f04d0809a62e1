# Fails the build unless IMAGE is exactly SIZE bytes long (a ROM image that
# outgrew its chip, or an assembler that padded wrongly), and removes the
# wrong image so that no later step picks it up. Used for both monitor ROMs.
#   cmake -DIMAGE=<file> -DSIZE=<bytes> -P check_size.cmake
file(SIZE "${IMAGE}" actual)
if(NOT actual EQUAL SIZE)
  file(REMOVE "${IMAGE}")
  message(FATAL_ERROR "${IMAGE} is ${actual} bytes; the ROM holds exactly ${SIZE}")
endif()
