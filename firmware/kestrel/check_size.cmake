# Fails the build unless IMAGE is exactly SIZE bytes long.
file(SIZE "${IMAGE}" actual)
if(NOT actual EQUAL SIZE)
  message(FATAL_ERROR "${IMAGE} is ${actual} bytes, the ROM holds exactly ${SIZE}")
endif()
