# Source collection for libraries that span several folders (the platform layer,
# the raster library): each folder hands its *.cpp and *.c files to a named
# group, and the group's owner builds one library from them.

# pk_collect_sources(<group>): add this folder's sources to <group>.
function(pk_collect_sources group)
  file(GLOB srcs CONFIGURE_DEPENDS
    ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp ${CMAKE_CURRENT_SOURCE_DIR}/*.c)
  set_property(GLOBAL APPEND PROPERTY PK_SOURCES_${group} ${srcs})
endfunction()

# pk_group_sources(<group> <out-var>): the sources handed to <group> so far.
function(pk_group_sources group out)
  get_property(srcs GLOBAL PROPERTY PK_SOURCES_${group})
  set(${out} ${srcs} PARENT_SCOPE)
endfunction()
