# simdjson, linked statically where the package ships libsimdjson.a beside its
# shared library (Homebrew's keg). An upgrade there removes the old shared
# library, and a binary installed elsewhere that still named it would no
# longer start. Where only the shared library exists (Debian), the package
# manager keeps it in step with the binaries that use it.
find_package(simdjson REQUIRED)

add_library(vesk_simdjson INTERFACE)
get_target_property(simdjson_location simdjson::simdjson LOCATION)
get_filename_component(simdjson_lib_dir "${simdjson_location}" DIRECTORY)
if(EXISTS "${simdjson_lib_dir}/libsimdjson.a")
  add_library(vesk_simdjson_static STATIC IMPORTED)
  set_target_properties(vesk_simdjson_static PROPERTIES IMPORTED_LOCATION
                                                        "${simdjson_lib_dir}/libsimdjson.a")
  foreach(property INTERFACE_INCLUDE_DIRECTORIES INTERFACE_COMPILE_DEFINITIONS
                   INTERFACE_LINK_LIBRARIES)
    get_target_property(value simdjson::simdjson ${property})
    if(value)
      set_target_properties(vesk_simdjson_static PROPERTIES ${property} "${value}")
    endif()
  endforeach()
  target_link_libraries(vesk_simdjson INTERFACE vesk_simdjson_static)
  message(STATUS "simdjson: static, ${simdjson_lib_dir}/libsimdjson.a")
else()
  target_link_libraries(vesk_simdjson INTERFACE simdjson::simdjson)
  message(STATUS "simdjson: shared, ${simdjson_location}")
endif()
