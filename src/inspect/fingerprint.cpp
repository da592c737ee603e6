#include "inspect/fingerprint.h"

#include "printf_text.h"

namespace quorvel {

std::string Fingerprint::text() const {
  return printfText("%016llx%016llx", static_cast<unsigned long long>(a_),
                    static_cast<unsigned long long>(b_));
}

}  // namespace quorvel
