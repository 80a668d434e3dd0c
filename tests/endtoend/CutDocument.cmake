# cmake -DIN=<document> -DOUT=<file> -P CutDocument.cmake: writes the first half of
# the document, which ends inside its records.
file(SIZE "${IN}" size)
math(EXPR half "${size} / 2")
execute_process(COMMAND dd "if=${IN}" "of=${OUT}" bs=${half} count=1 iflag=fullblock status=none
                RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "cannot cut ${IN}")
endif()
