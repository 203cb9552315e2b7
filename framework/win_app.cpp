#include "framework/win_app.h"

namespace ostrevin::fw {

int CWinApp::Run(AppHost& host) {
  host_ = &host;
  InitInstance();
  host_ = nullptr;
  return 0;
}

void CWinApp::SetRegistryKey(std::string_view key) {
  registryKey_ = key;
  if (host_ != nullptr) host_->SetProfileName(key);
}

}  // namespace ostrevin::fw
