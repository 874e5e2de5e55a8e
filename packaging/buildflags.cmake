# The compiler and linker flags Debian builds its packages with, taken from
# dpkg-buildflags with every hardening feature on: fortified functions, stack
# protector, format checks, PIE (the compiler's default), read-only
# relocations and immediate binding. The optimisation and debug options stay
# those of the build type. The path of the tree is mapped to "." in debug
# information and __FILE__, so a build does not depend on where it ran.
find_program(ORVA_DPKG_BUILDFLAGS dpkg-buildflags)
if(NOT ORVA_DPKG_BUILDFLAGS)
  message(WARNING "dpkg-buildflags não encontrado: compilação sem as opções de proteção do Debian")
  return()
endif()

function(orva_buildflags variavel saida)
  execute_process(
    COMMAND ${CMAKE_COMMAND} -E env DEB_BUILD_MAINT_OPTIONS=hardening=+all ${ORVA_DPKG_BUILDFLAGS} --get ${variavel}
    OUTPUT_VARIABLE valor OUTPUT_STRIP_TRAILING_WHITESPACE COMMAND_ERROR_IS_FATAL ANY)
  separate_arguments(valor UNIX_COMMAND "${valor}")
  # -g/-O2 belong to the build type; the prefix map is made below for this tree.
  list(FILTER valor EXCLUDE REGEX "^-g$|^-O[0-9s]?$|^-f(file|debug|macro)-prefix-map=")
  set(${saida} ${valor} PARENT_SCOPE)
endfunction()

orva_buildflags(CPPFLAGS cppflags)
orva_buildflags(CXXFLAGS cxxflags)
orva_buildflags(LDFLAGS ldflags)
add_compile_options(${cppflags} ${cxxflags} -ffile-prefix-map=${CMAKE_SOURCE_DIR}=.)
add_link_options(${ldflags})
