# Turns one scdoc source into a gzip-compressed manual page. Run with
#     cmake -DSCDOC=/usr/bin/scdoc -DSOURCE=x.1.scd -DOUTPUT=x.1.gz -P QuelloManPage.cmake
cmake_minimum_required(VERSION 3.24)

get_filename_component(output_dir "${OUTPUT}" DIRECTORY)
get_filename_component(page "${SOURCE}" NAME_WLE)
set(plain "${output_dir}/${page}")
execute_process(COMMAND "${SCDOC}" INPUT_FILE "${SOURCE}" OUTPUT_FILE "${plain}"
                RESULT_VARIABLE status)
if(NOT status EQUAL 0)
    file(REMOVE "${plain}")
    message(FATAL_ERROR "scdoc could not read ${SOURCE} (${status})")
endif()
# -n keeps the name and time out of the header, so equal pages give equal bytes.
execute_process(COMMAND gzip -9n -c "${plain}" OUTPUT_FILE "${OUTPUT}" RESULT_VARIABLE status)
if(NOT status EQUAL 0)
    file(REMOVE "${OUTPUT}")
    message(FATAL_ERROR "gzip failed on ${plain} (${status})")
endif()
