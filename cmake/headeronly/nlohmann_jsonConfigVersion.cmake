# The version of Debian's nlohmann-json3-dev, which the Windows build uses.
set(PACKAGE_VERSION 3.11.2)
set(PACKAGE_VERSION_COMPATIBLE TRUE)
if(PACKAGE_FIND_VERSION VERSION_EQUAL PACKAGE_VERSION)
  set(PACKAGE_VERSION_EXACT TRUE)
endif()
