# Every folder of the core is one layer and one static library; its sources are gathered by pattern so that
# adding a file never means editing a list. Files ending in Tests.cpp form the layer's test program.

function(brimly_warnings target)
    target_compile_options(${target} PRIVATE ${BRIMLY_WARNINGS})
endfunction()

function(brimly_layer layer)
    file(GLOB sources CONFIGURE_DEPENDS "${CMAKE_SOURCE_DIR}/core/${layer}/*.cpp")
    list(FILTER sources EXCLUDE REGEX "Tests\\.cpp$")
    set(target brimly_${layer})
    if(NOT sources)
        # A layer whose files have not been written yet still links; an empty unit keeps it a real library.
        set(sources "${CMAKE_BINARY_DIR}/empty_${layer}.cpp")
        file(WRITE ${sources} "")
    endif()
    add_library(${target} STATIC ${sources})
    target_include_directories(${target} PUBLIC ${CMAKE_SOURCE_DIR})
    target_link_libraries(${target} PUBLIC ${ARGN})
    brimly_warnings(${target})
endfunction()

function(brimly_layer_tests layer)
    file(GLOB tests CONFIGURE_DEPENDS "${CMAKE_SOURCE_DIR}/core/${layer}/*Tests.cpp")
    if(NOT tests)
        return()
    endif()
    set(target brimly_${layer}_tests)
    add_executable(${target} ${tests})
    target_link_libraries(${target} PRIVATE brimly_${layer} brimly_testsupport GTest::gtest GTest::gmock
                                            GTest::gtest_main)
    brimly_warnings(${target})
    gtest_discover_tests(${target} DISCOVERY_MODE PRE_TEST
                         PROPERTIES ENVIRONMENT "BRIMLY_SOURCE_DIR=${CMAKE_SOURCE_DIR}")
endfunction()
