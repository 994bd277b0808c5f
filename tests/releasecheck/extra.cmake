# The release check's logic, and the maker's signing for the signed manifests it is given.
target_link_libraries(${name}_tests PRIVATE release_check manifest_maker_core)
