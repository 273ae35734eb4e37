# cmake -DIN=FILE -DOUT=FILE -P wayland_cxx_header.cmake
# wayland-scanner writes C, and the layer shell names a request's argument `namespace`, a C++
# keyword: the header is copied with that argument renamed, so C++ code can include it.
file(READ ${IN} text)
string(REPLACE "const char *namespace)" "const char *name_space)" text "${text}")
string(REPLACE ", namespace);" ", name_space);" text "${text}")
file(WRITE ${OUT} "${text}")
