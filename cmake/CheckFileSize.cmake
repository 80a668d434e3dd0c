# cmake -DFILE=<path> -DLIMIT=<bytes> -P CheckFileSize.cmake: fails when the file is
# missing or not smaller than LIMIT bytes. The saver's link runs it, so that a default
# scene grown past what a saver should weigh stops the build instead of shipping.
if(NOT EXISTS "${FILE}")
  message(FATAL_ERROR "${FILE} is missing")
endif()
file(SIZE "${FILE}" size)
if(NOT size LESS LIMIT)
  message(FATAL_ERROR "${FILE} is ${size} bytes, not under the limit of ${LIMIT}")
endif()
