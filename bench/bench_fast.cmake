# Until recording/CMakeLists.txt adds the fast kernels to quorvane_core
# itself, pull them in from here.
get_property(_fast_added GLOBAL PROPERTY QUORVANE_FAST_KERNELS_ADDED)
if(NOT _fast_added)
  include(${PROJECT_SOURCE_DIR}/recording/fast/CMakeLists.txt)
endif()
