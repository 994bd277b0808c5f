# The Wine part runs beside the other end-to-end tests: its launchers live in Wine prefixes of
# their own, where no other test's copy can see them, and Linux launchers looking for a copy
# by name never take a Wine process for one. The Linux part keeps the common turn.
set_tests_properties(faults.wine_matrix PROPERTIES RESOURCE_LOCK wine_fault_matrix)
