# The differential test reads the same manifests with pugixml, which only tests use.
find_package(pugixml REQUIRED)
target_link_libraries(${name}_tests PRIVATE pugixml::pugixml)
# The manifest maker's logic, tested through the launcher's own reader.
target_link_libraries(${name}_tests PRIVATE manifest_maker_core)
