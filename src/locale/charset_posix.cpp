// The converter between charsets on POSIX systems: an iconv(3) conversion descriptor.
#include <iconv.h>

#include <cerrno>

#include "locale/charset.h"

namespace charset {
namespace {

const iconv_t kNoDescriptor = reinterpret_cast<iconv_t>(-1);

}  // namespace

Converter::Converter(const char* to, const char* from) {
  const iconv_t cd = ::iconv_open(to, from);
  handle_ = cd == kNoDescriptor ? nullptr : cd;
}

Converter::~Converter() {
  if (handle_ != nullptr) ::iconv_close(static_cast<iconv_t>(handle_));
}

int Converter::Run(const char** in, std::size_t* in_left, char** out, std::size_t* out_left) {
  if (handle_ == nullptr) return EINVAL;
  const auto cd = static_cast<iconv_t>(handle_);
  // Every charset used here is stateless; iconv(3) takes char**, never writes the input.
  ::iconv(cd, nullptr, nullptr, nullptr, nullptr);
  char* src = const_cast<char*>(*in);
  const std::size_t done = ::iconv(cd, &src, in_left, out, out_left);
  *in = src;
  return done == static_cast<std::size_t>(-1) ? errno : 0;
}

}  // namespace charset
