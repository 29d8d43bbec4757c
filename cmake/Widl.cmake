# Type libraries compiled from IDL by widl, with the header and GUID file beside them.
find_program(WIDL_EXECUTABLE NAMES i686-w64-mingw32-widl widl REQUIRED)
set(WIDL_IDL_DIR /usr/include/wine/wine/windows CACHE PATH "Wine's IDL files (libwine-dev)")
set(WIDL_TLB_DIR /usr/lib/i386-linux-gnu/wine/i386-windows CACHE PATH "Where stdole2.tlb lies")

# add_typelib(<target> <file.idl> LIBID <guid>)
# Makes <target> (an interface library) whose include path holds <name>_h.h; sets
# <target>_TLB and <target>_IID_C in the caller's scope. widl is known to damage the
# last byte of the LIBID in some libraries, so every build checks it.
function(add_typelib target idl)
  cmake_parse_arguments(L "" "LIBID" "" ${ARGN})
  get_filename_component(base ${idl} NAME_WE)
  get_filename_component(idl_abs ${idl} ABSOLUTE)
  set(out ${CMAKE_CURRENT_BINARY_DIR}/${base})
  add_custom_command(
    OUTPUT ${out}.tlb ${out}_h.h ${out}_i.c
    COMMAND ${WIDL_EXECUTABLE} --win32 -I${WIDL_IDL_DIR} -L${WIDL_TLB_DIR}
            -t -o ${out}.tlb -h -H ${out}_h.h -u ${idl_abs}
    COMMAND ${WIDL_EXECUTABLE} --win32 -I${WIDL_IDL_DIR} -L${WIDL_TLB_DIR}
            -u -o ${out}_i.c ${idl_abs}
    COMMAND ${CMAKE_COMMAND} -DTLB=${out}.tlb -DLIBID=${L_LIBID}
            -P ${CMAKE_SOURCE_DIR}/cmake/CheckLibid.cmake
    DEPENDS ${idl_abs} ${CMAKE_SOURCE_DIR}/cmake/CheckLibid.cmake
    COMMENT "widl ${base}.idl"
    VERBATIM)
  add_custom_target(${target}_gen DEPENDS ${out}.tlb ${out}_h.h ${out}_i.c)
  add_library(${target} INTERFACE)
  add_dependencies(${target} ${target}_gen)
  target_include_directories(${target} INTERFACE ${CMAKE_CURRENT_BINARY_DIR})
  set(${target}_TLB ${out}.tlb PARENT_SCOPE)
  set(${target}_IID_C ${out}_i.c PARENT_SCOPE)
endfunction()
