// Manifests of arbitrary bytes: the reader refuses or accepts without a fault,
// and an accepted manifest written again reads back to the same text.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "orvello/setup/OVSetupManifest.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  OVSetupManifest m;
  std::string why;
  if (!OVReadManifest(reinterpret_cast<const char*>(data), size, &m, &why)) {
    if (why.empty() || !m.conduits.empty() || !m.users.empty()) std::abort();
    return 0;
  }
  const std::string text = OVWriteManifest(m);
  OVSetupManifest again;
  if (!OVReadManifest(text.data(), text.size(), &again, &why)) std::abort();
  if (OVWriteManifest(again) != text) std::abort();
  return 0;
}
