// The compiled parts of Asio, its TLS layer and Beast, built once for the whole
// service instead of in every file that uses them.
#include <boost/asio/impl/src.hpp>
#include <boost/asio/ssl/impl/src.hpp>
#include <boost/beast/src.hpp>
