# Read by cpack for the package: the time of every file and archive member in it is the source's
# (packaging/CMakeLists.txt), which CPack's DEB generator takes from SOURCE_DATE_EPOCH.
if(NOT DEFINED ENV{SOURCE_DATE_EPOCH})
    set(ENV{SOURCE_DATE_EPOCH} "${CPACK_NOVARD_SOURCE_DATE_EPOCH}")
endif()
