# The shared crypto vectors are run through the same reader as crypto-check's.
target_link_libraries(${name}_tests PRIVATE crypto_check_core)
