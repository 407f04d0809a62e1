# Fails unless IMAGE is exactly SIZE bytes long (a ROM image that outgrew its
# chip, or an assembler that padded wrongly).
file(SIZE "${IMAGE}" actual)
if(NOT actual EQUAL SIZE)
  file(REMOVE "${IMAGE}")
  message(FATAL_ERROR "${IMAGE} is ${actual} bytes; the ROM holds exactly ${SIZE}")
endif()
