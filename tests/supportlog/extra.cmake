# Signed manifests for the signature lines, made with the manifest maker's own signing.
target_link_libraries(${name}_tests PRIVATE manifest_maker_core)
