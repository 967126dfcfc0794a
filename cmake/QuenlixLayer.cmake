# One static library per layer. A layer's sources are compiled against an include root that
# holds only its own folders, and a consumer sees only the roots of the layers it links, so
# an include that points upwards (say from fido into app) fails to build.

set(QUENLIX_LAYER_INCLUDE_ROOT ${PROJECT_BINARY_DIR}/layer-include)

# quenlix_add_layer(TARGET FOLDER folder SOURCES file... [DEPENDS lower-layer...])
# Sources are relative to the calling folder. Further folders and sources join the same
# target through quenlix_extend_layer().
function(quenlix_add_layer target)
  cmake_parse_arguments(PARSE_ARGV 1 LAYER "" "FOLDER" "SOURCES;DEPENDS")
  if(NOT LAYER_SOURCES)
    # A layer without sources yet still gives its headers to the layers above.
    add_library(${target} INTERFACE)
    target_include_directories(${target} INTERFACE ${QUENLIX_LAYER_INCLUDE_ROOT}/${target})
    quenlix_extend_layer(${target} FOLDER ${LAYER_FOLDER})
    return()
  endif()
  add_library(${target} STATIC)
  target_compile_options(${target} PRIVATE ${QUENLIX_WARNINGS})
  target_include_directories(${target} PUBLIC ${QUENLIX_LAYER_INCLUDE_ROOT}/${target})
  # Downward only and private: a layer's consumers link what they use themselves.
  target_link_libraries(${target} PRIVATE ${LAYER_DEPENDS})
  quenlix_extend_layer(${target} FOLDER ${LAYER_FOLDER} SOURCES ${LAYER_SOURCES})
endfunction()

# quenlix_extend_layer(TARGET FOLDER folder SOURCES file...)
function(quenlix_extend_layer target)
  cmake_parse_arguments(PARSE_ARGV 1 LAYER "" "FOLDER" "SOURCES")
  file(MAKE_DIRECTORY ${QUENLIX_LAYER_INCLUDE_ROOT}/${target})
  file(CREATE_LINK ${PROJECT_SOURCE_DIR}/src/${LAYER_FOLDER}
       ${QUENLIX_LAYER_INCLUDE_ROOT}/${target}/${LAYER_FOLDER} SYMBOLIC)
  if(LAYER_SOURCES)
    list(TRANSFORM LAYER_SOURCES PREPEND ${CMAKE_CURRENT_SOURCE_DIR}/)
    target_sources(${target} PRIVATE ${LAYER_SOURCES})
  endif()
endfunction()
