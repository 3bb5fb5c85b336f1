# The reply fuzzer's seed recorder, built with the programs (not the fuzz
# targets): it runs the client against bnsim through a relay and writes what
# bnsim replied (fuzz/record_replies.cpp). Run by hand, as root, when the
# calls change: build/bin/record_replies fuzz/corpus/replies_fuzz
add_executable(record_replies fuzz/record_replies.cpp fuzz/giop_replies.cpp)
target_compile_options(record_replies PRIVATE ${CVCC_WARNINGS})
target_include_directories(record_replies PRIVATE ${PROJECT_SOURCE_DIR})
target_link_libraries(record_replies PRIVATE cvcc_client cvcc_harness)
