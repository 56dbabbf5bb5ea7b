# SPDX-License-Identifier: MIT
# Reads the table of the search's variants and types (cmake/variants.cmake)
# and makes of it what the rest of the build uses:
# - QUORVEL_VARIANTS, the names of this build's variants, widest first, and
#   for each QUORVEL_VARIANT_<name>_{ID,NEEDS,FLAGS,WIDTH,WITH,WITHOUT};
# - src/largest_element_variant_list.h in the build folder, the X-macros
#   QUORVEL_FOR_EACH_VARIANT and QUORVEL_FOR_EACH_TYPE for the C++ code;
# - variants.txt in the build folder, a line per variant for the scripts:
#   name, width in bytes and the /proc/cpuinfo flags it needs;
# - QUORVEL_VARIANT_SOURCES, a source per variant and type, each the matrix
#   and kernel header built at the variant's width with its flags, and
#   QUORVEL_KERNELS_SOURCES and QUORVEL_API_SOURCES, a source per type for
#   its variants' kernels and its C functions.
# Configuring stops where the table breaks the order the dispatcher takes
# it in: widest first, and baseline last.

set(QUORVEL_VARIANTS)
set(quorvel_target "${CMAKE_SYSTEM_PROCESSOR}/${CMAKE_LIBRARY_ARCHITECTURE}")
function(quorvel_variant name)
  cmake_parse_arguments(PARSE_ARGV 1 arg "" "TARGET;WIDTH" "NEEDS;FLAGS;WITH;WITHOUT")
  if(NOT quorvel_target MATCHES "${arg_TARGET}" OR name IN_LIST QUORVEL_VARIANTS)
    return()
  endif()
  string(MAKE_C_IDENTIFIER ${name} id)
  set(QUORVEL_VARIANTS ${QUORVEL_VARIANTS} ${name} PARENT_SCOPE)
  foreach(field IN ITEMS NEEDS FLAGS WIDTH WITH WITHOUT)
    set(QUORVEL_VARIANT_${name}_${field} "${arg_${field}}" PARENT_SCOPE)
  endforeach()
  set(QUORVEL_VARIANT_${name}_ID ${id} PARENT_SCOPE)
endfunction()
include(${CMAKE_CURRENT_LIST_DIR}/variants.cmake)

# The order choose() relies on: no variant wider than the one before it,
# and the baseline, which every CPU runs, last.
set(previous_width)
foreach(name IN LISTS QUORVEL_VARIANTS)
  if(previous_width AND QUORVEL_VARIANT_${name}_WIDTH GREATER previous_width)
    message(FATAL_ERROR "cmake/variants.cmake: ${name} (${QUORVEL_VARIANT_${name}_WIDTH} bytes) comes after a narrower variant; list the variants widest first")
  endif()
  set(previous_width ${QUORVEL_VARIANT_${name}_WIDTH})
endforeach()
list(GET QUORVEL_VARIANTS -1 last_variant)
if(NOT last_variant STREQUAL "baseline")
  message(FATAL_ERROR "cmake/variants.cmake: the last variant of this build is ${last_variant}, not baseline; the baseline, which every CPU runs, comes last")
endif()

set(quorvel_generated ${PROJECT_BINARY_DIR}/src)
set(variant_lines)
set(script_lines)
set(QUORVEL_VARIANT_SOURCES)
foreach(name IN LISTS QUORVEL_VARIANTS)
  set(id ${QUORVEL_VARIANT_${name}_ID})
  set(needs ${QUORVEL_VARIANT_${name}_NEEDS})
  list(TRANSFORM needs PREPEND "feature::" OUTPUT_VARIABLE needs_code)
  list(JOIN needs_code " | " needs_code)
  list(JOIN needs " " needs_words)
  if(NOT needs)
    set(needs_code 0)
  endif()
  string(APPEND variant_lines
    "  X(${id}, \"${name}\", ${QUORVEL_VARIANT_${name}_WIDTH}, ${needs_code}, \"${needs_words}\") \\\n")
  string(APPEND script_lines "${name} ${QUORVEL_VARIANT_${name}_WIDTH} ${needs_words}\n")
  foreach(entry IN LISTS QUORVEL_TYPES)
    string(REPLACE "=" ";" entry ${entry})
    list(GET entry 0 type_id)
    list(GET entry 1 type)
    set(wrapper ${quorvel_generated}/variants/${id}_${type_id}.cc)
    file(CONFIGURE OUTPUT ${wrapper} @ONLY CONTENT
      "// Generated from cmake/variants.cmake: the ${name} variant for ${type}.
#define QUORVEL_VARIANT ${id}
#define QUORVEL_ELEMENT ${type}
#define QUORVEL_VECTOR_BYTES ${QUORVEL_VARIANT_${name}_WIDTH}
#include \"${PROJECT_SOURCE_DIR}/src/largest_element_matrix.h\"
")
    set_source_files_properties(${wrapper} PROPERTIES COMPILE_OPTIONS "${QUORVEL_VARIANT_${name}_FLAGS}")
    list(APPEND QUORVEL_VARIANT_SOURCES ${wrapper})
  endforeach()
endforeach()

set(type_lines)
set(c_type_lines)
set(QUORVEL_KERNELS_SOURCES)
set(QUORVEL_API_SOURCES)
foreach(entry IN LISTS QUORVEL_TYPES)
  string(REPLACE "=" ";" entry ${entry})
  list(GET entry 0 type_id)
  list(GET entry 1 type)
  string(APPEND type_lines "  X(${type_id}, ${type}) \\\n")
  # For C: the type without std::, its kind, the member of a union of
  # long long, unsigned long long and double that holds it, and numpy's name.
  string(REPLACE "std::" "" c_type ${type_id})
  string(REPLACE "std::" "" c_type ${type})
  string(SUBSTRING ${type_id} 0 1 letter)
  string(SUBSTRING ${type_id} 1 -1 bits)
  if(letter STREQUAL "i")
    set(kind "kSigned whole int")
  elseif(letter STREQUAL "u")
    set(kind "kUnsigned natural uint")
  else()
    set(kind "kFloat real float")
  endif()
  string(REPLACE " " ";" kind "${kind}")
  list(GET kind 0 kind_name)
  list(GET kind 1 field)
  list(GET kind 2 numpy_kind)
  string(APPEND c_type_lines
    "  X(${type_id}, ${c_type}, ${kind_name}, ${field}, \"${numpy_kind}${bits}\") \\\n")
  foreach(kind IN ITEMS kernels api)
    set(source largest_element_kernels.cc)
    if(kind STREQUAL "api")
      set(source largest_element_typed.cc)
    endif()
    set(wrapper ${quorvel_generated}/types/${kind}_${type_id}.cc)
    file(CONFIGURE OUTPUT ${wrapper} @ONLY CONTENT
      "// Generated from cmake/variants.cmake: src/${source} for ${type}.
#define QUORVEL_ELEMENT ${type}
#define QUORVEL_ELEMENT_ID ${type_id}
#include \"${PROJECT_SOURCE_DIR}/src/${source}\"
")
    string(TOUPPER ${kind} upper)
    list(APPEND QUORVEL_${upper}_SOURCES ${wrapper})
  endforeach()
endforeach()

file(CONFIGURE OUTPUT ${quorvel_generated}/largest_element_variant_list.h @ONLY CONTENT
  "// Generated from cmake/variants.cmake: this build's variants, widest first,
// as X(identifier, name, vector bytes, features needed, /proc/cpuinfo flags),
// and the element types, as X(name, type).
#define QUORVEL_FOR_EACH_VARIANT(X) \\
${variant_lines}
#define QUORVEL_FOR_EACH_TYPE(X) \\
${type_lines}
")
file(CONFIGURE OUTPUT ${quorvel_generated}/quorvel_types.h @ONLY CONTENT
  "/* Generated from cmake/variants.cmake: the element types for C, as
 * X(name, type, kind, member of a value union, numpy's name). */
#define QUORVEL_FOR_EACH_C_TYPE(X) \\
${c_type_lines}
")
file(CONFIGURE OUTPUT ${PROJECT_BINARY_DIR}/variants.txt @ONLY CONTENT "${script_lines}")
