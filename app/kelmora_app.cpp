#include "app/kelmora_app.h"

#include "form/calculator_dlg.h"

namespace ostrevin {

CKelmoraApp theApp;

bool CKelmoraApp::InitInstance() {
  CWinApp::InitInstance();
  SetRegistryKey("Local AppWizard-Generated Applications");
  CKelmoraDlg dlg;
  m_pMainWnd = &dlg;
  dlg.DoModal(Host().Windows());  // its result is of no interest: nothing is saved
  m_pMainWnd = nullptr;
  return false;
}

}  // namespace ostrevin
