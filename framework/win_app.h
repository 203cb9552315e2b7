// The application object: started once by the program's entry point with the
// host it runs on, it opens its main dialog in InitInstance.
#pragma once

#include <string>
#include <string_view>

#include "framework/window.h"

namespace ostrevin::fw {

class CDialog;

// What an application needs from the platform it runs on.
class AppHost {
 public:
  virtual ~AppHost() = default;
  virtual WindowSystem& Windows() = 0;
  // Names the place where the application's settings would be kept.
  virtual void SetProfileName(std::string_view name) = 0;
};

class CWinApp {
 public:
  virtual ~CWinApp() = default;

  // Runs InitInstance on the host and returns the process's exit status (0).
  // An application whose InitInstance returns false does not enter a message
  // loop of its own.
  int Run(AppHost& host);

  virtual bool InitInstance() { return true; }

  const std::string& RegistryKey() const { return registryKey_; }

  // The dialog the application runs, while it runs.
  CDialog* m_pMainWnd = nullptr;

 protected:
  // Names the profile's key; nothing is read or written under it.
  void SetRegistryKey(std::string_view key);
  AppHost& Host() { return *host_; }

 private:
  AppHost* host_ = nullptr;
  std::string registryKey_;
};

}  // namespace ostrevin::fw
