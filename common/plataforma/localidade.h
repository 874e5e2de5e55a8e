#pragma once

namespace orva::plataforma {

// The user's locale for the C library, with a character set that carries any
// name: libarchive converts entry names through it, and a plain "C" locale
// would refuse accents. Linux falls back to C.UTF-8; Windows converts through
// its code pages and needs only the user's locale.
void localidadeDoUsuario();

} // namespace orva::plataforma
