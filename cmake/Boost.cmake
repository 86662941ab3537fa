# Boost.Regex is used header-only. A cross build must never see /usr/include
# as a whole (the host's libc headers would shadow MinGW's), so it gets a
# folder that holds only a link named "boost".
if(CMAKE_CROSSCOMPILING)
  set(VELLUMARK_BOOST_INCLUDE "${CMAKE_BINARY_DIR}/boost-include")
  file(MAKE_DIRECTORY "${VELLUMARK_BOOST_INCLUDE}")
  if(NOT EXISTS "${VELLUMARK_BOOST_INCLUDE}/boost")
    file(CREATE_LINK /usr/include/boost "${VELLUMARK_BOOST_INCLUDE}/boost" SYMBOLIC)
  endif()
else()
  set(VELLUMARK_BOOST_INCLUDE "")
endif()
if(NOT EXISTS /usr/include/boost/regex.hpp)
  message(FATAL_ERROR "Boost.Regex headers are missing: run scripts/bootstrap")
endif()
