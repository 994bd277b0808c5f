# The process tests start the stand-in game client.
add_dependencies(launch_tests test_client)
