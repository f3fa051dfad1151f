# The release package test: makes the package into OUTPUT_DIR, then unpacks and loads it
# (the variables of MakeReleasePackage.cmake and CheckReleasePackage.cmake).
include(${CMAKE_CURRENT_LIST_DIR}/MakeReleasePackage.cmake)
include(${CMAKE_CURRENT_LIST_DIR}/CheckReleasePackage.cmake)
