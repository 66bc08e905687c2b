// Natively the ANSI code page is code page 932, converted with iconv.
#include <iconv.h>

#include <cerrno>
#include <string>

#include "core/ansi_text.h"

namespace {

class Converter {
 public:
  Converter(const char* to, const char* from) : handle_(iconv_open(to, from)) {}
  ~Converter() {
    if (handle_ != reinterpret_cast<iconv_t>(-1)) iconv_close(handle_);
  }
  Converter(const Converter&) = delete;
  Converter& operator=(const Converter&) = delete;

  // Converts unit by unit where needed: an unconvertible input unit becomes
  // `replacement` and the conversion goes on.
  std::string Convert(const char* input, size_t length, size_t unit, const std::string& replacement) {
    std::string output;
    if (handle_ == reinterpret_cast<iconv_t>(-1)) return output;
    char* in = const_cast<char*>(input);
    size_t inLeft = length;
    char buffer[4096];
    while (inLeft > 0) {
      char* out = buffer;
      size_t outLeft = sizeof buffer;
      const size_t result = iconv(handle_, &in, &inLeft, &out, &outLeft);
      output.append(buffer, sizeof buffer - outLeft);
      if (result == static_cast<size_t>(-1) && errno != E2BIG) {
        output += replacement;
        const size_t skip = inLeft < unit ? inLeft : unit;
        in += skip;
        inLeft -= skip;
        iconv(handle_, nullptr, nullptr, nullptr, nullptr);
      }
    }
    return output;
  }

 private:
  iconv_t handle_;
};

}  // namespace

std::string WideToAnsi(const std::wstring& text) {
  Converter converter("CP932", "WCHAR_T");
  return converter.Convert(reinterpret_cast<const char*>(text.data()), text.size() * sizeof(wchar_t),
                           sizeof(wchar_t), "?");
}

std::wstring AnsiToWide(const std::string& text) {
  Converter converter("WCHAR_T", "CP932");
  const wchar_t replacement = L'\u30FB';
  const std::string bytes = converter.Convert(
      text.data(), text.size(), 1,
      std::string(reinterpret_cast<const char*>(&replacement), sizeof replacement));
  return std::wstring(reinterpret_cast<const wchar_t*>(bytes.data()), bytes.size() / sizeof(wchar_t));
}
