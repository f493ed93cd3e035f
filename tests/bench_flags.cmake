# Runs one benchmark program with Google Benchmark's standard flags and checks
# that it honoured them, so that scripts can collect its figures: JSON on
# standard output and in the --benchmark_out file, only the benchmarks the
# filter names, each repeated, with the aggregates of the repetitions.
#   cmake -DPROGRAM=<path> -DFILTER=<regex> -DOUT=<file> -P bench_flags.cmake
cmake_minimum_required(VERSION 3.25)
file(REMOVE ${OUT})
execute_process(
    COMMAND ${PROGRAM} --benchmark_filter=${FILTER} --benchmark_format=json
            --benchmark_out=${OUT} --benchmark_repetitions=2 --benchmark_min_time=0.01
    OUTPUT_VARIABLE console ERROR_VARIABLE errors RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
    message(FATAL_ERROR "${PROGRAM} ended with ${rc}:\n${errors}")
endif()
if(NOT EXISTS ${OUT})
    message(FATAL_ERROR "--benchmark_out=${OUT} was not written")
endif()
file(READ ${OUT} written)

foreach(source console written)
    set(json "${${source}}")
    string(JSON count ERROR_VARIABLE error LENGTH "${json}" benchmarks)
    if(error)
        message(FATAL_ERROR "${source}: not the JSON report (${error}):\n${json}")
    endif()
    set(runs 0)
    set(aggregates "")
    math(EXPR last "${count} - 1")
    foreach(i RANGE ${last})
        string(JSON name GET "${json}" benchmarks ${i} run_name)
        string(JSON type GET "${json}" benchmarks ${i} run_type)
        if(NOT name MATCHES "${FILTER}")
            message(FATAL_ERROR "${source}: ${name} ran, outside --benchmark_filter=${FILTER}")
        endif()
        if(type STREQUAL "iteration")
            math(EXPR runs "${runs} + 1")
        else()
            string(JSON aggregate GET "${json}" benchmarks ${i} aggregate_name)
            list(APPEND aggregates ${aggregate})
        endif()
    endforeach()
    if(runs LESS 2 OR NOT "median" IN_LIST aggregates)
        message(FATAL_ERROR "${source}: ${runs} runs and aggregates '${aggregates}' "
                            "for --benchmark_repetitions=2")
    endif()
endforeach()
