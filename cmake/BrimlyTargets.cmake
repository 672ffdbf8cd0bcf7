# Every folder of the core is one layer; its sources are gathered by pattern so that adding a file never
# means editing a list. Files ending in Tests.cpp form the layer's test program.

function(brimly_warnings target)
    target_compile_options(${target} PRIVATE ${BRIMLY_WARNINGS})
endfunction()

function(brimly_layer_sources layer out_sources out_tests)
    file(GLOB sources CONFIGURE_DEPENDS "${CMAKE_SOURCE_DIR}/core/${layer}/*.cpp")
    set(tests ${sources})
    list(FILTER sources EXCLUDE REGEX "Tests\\.cpp$")
    list(FILTER tests INCLUDE REGEX "Tests\\.cpp$")
    set(${out_sources} ${sources} PARENT_SCOPE)
    set(${out_tests} ${tests} PARENT_SCOPE)
endfunction()

function(brimly_layer_tests layer tests)
    if(NOT BRIMLY_TESTS OR NOT tests)
        return()
    endif()
    set(target brimly_${layer}_tests)
    add_executable(${target} ${tests})
    target_link_libraries(${target} PRIVATE brimly_core brimly_testsupport GTest::gtest GTest::gmock
                                            GTest::gtest_main)
    brimly_warnings(${target})
    gtest_discover_tests(${target} DISCOVERY_MODE PRE_TEST
                         PROPERTIES ENVIRONMENT "BRIMLY_SOURCE_DIR=${CMAKE_SOURCE_DIR}")
endfunction()
