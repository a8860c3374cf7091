# libstdc++ 12 offers std::expected only when the compiler announces C++20 concepts at
# level 202002. Clang before 19 implements what <expected> needs (conditionally trivial
# special members) but still announces 201907, so the header would come up empty.
if(CMAKE_CXX_COMPILER_ID STREQUAL "Clang" AND CMAKE_CXX_COMPILER_VERSION VERSION_GREATER_EQUAL 16
   AND CMAKE_CXX_COMPILER_VERSION VERSION_LESS 19)
  add_compile_options($<$<COMPILE_LANGUAGE:CXX>:-U__cpp_concepts>
                      $<$<COMPILE_LANGUAGE:CXX>:-D__cpp_concepts=202002L>)
endif()
