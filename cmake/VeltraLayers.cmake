# Layers as libraries: every folder under src/ is a static library, linked to the library
# of the layer below it, and every folder's ui/ subfolder is a library of its own. A
# library's headers are published through a staging folder of its own that holds only
# that library's headers (as symbolic links, under their paths relative to src/), so a
# file sees exactly the headers of its own library and of the libraries it links: an
# include that runs against the layer order does not compile.
#
#   veltra_layer(TARGET FOLDER [BELOW lib...] [QT component...])
#       makes the static library TARGET for the files under FOLDER (relative to the
#       source root given to veltra_layers_root), linked PUBLIC to the BELOW libraries.
#   veltra_publish_headers(TARGET...)
#       stages the headers of each TARGET's sources; call it after every folder has
#       added its files.

function(veltra_layers_root root)
  set_property(GLOBAL PROPERTY VELTRA_LAYERS_ROOT "${root}")
endfunction()

function(veltra_layer target folder)
  cmake_parse_arguments(PARSE_ARGV 2 arg "" "" "BELOW")
  add_library(${target} STATIC)
  set_property(TARGET ${target} PROPERTY VELTRA_FOLDER "${folder}")
  set(stage "${CMAKE_BINARY_DIR}/veltra-include/${target}")
  file(MAKE_DIRECTORY "${stage}")
  target_include_directories(${target} PUBLIC "${stage}")
  if(arg_BELOW)
    target_link_libraries(${target} PUBLIC ${arg_BELOW})
  endif()
  target_compile_options(${target} PRIVATE ${VELTRA_WARNINGS})
endfunction()

function(veltra_publish_headers)
  get_property(root GLOBAL PROPERTY VELTRA_LAYERS_ROOT)
  foreach(target ${ARGN})
    set(stage "${CMAKE_BINARY_DIR}/veltra-include/${target}")
    file(REMOVE_RECURSE "${stage}")
    file(MAKE_DIRECTORY "${stage}")
    get_target_property(sources ${target} SOURCES)
    get_target_property(source_dir ${target} SOURCE_DIR)
    foreach(source ${sources})
      if(NOT source MATCHES "\\.h$")
        continue()
      endif()
      if(NOT IS_ABSOLUTE "${source}")
        set(source "${source_dir}/${source}")
      endif()
      file(RELATIVE_PATH relative "${root}" "${source}")
      get_filename_component(folder "${stage}/${relative}" DIRECTORY)
      file(MAKE_DIRECTORY "${folder}")
      file(CREATE_LINK "${source}" "${stage}/${relative}" SYMBOLIC)
    endforeach()
  endforeach()
endfunction()
