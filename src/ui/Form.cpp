#include "ui/Form.h"

TForm::~TForm() = default;

TComponent* TForm::FindComponent(const std::string& name) const {
    for (TComponent* c : FComponents)
        if (c->Name() == name) return c;
    return nullptr;
}

void TForm::Show() {
    if (!FShowing) {
        for (auto& hook : BeforeShowHooks) hook();
        FShowing = true;
        Changed();
        if (OnShow) OnShow();
    }
    if (FView) FView->ShowForm();
}

void TForm::Hide() {
    if (!FShowing) return;
    FShowing = false;
    if (FView) FView->HideForm();
    Changed();
    if (OnHide) OnHide();
}

void TForm::Close() {
    bool canClose = true;
    if (OnCloseQuery) OnCloseQuery(canClose);
    if (!canClose) return;
    for (auto& hook : AfterCloseQueryHooks) hook();
    if (OnClose) OnClose();
    Hide();
}

void TForm::SetActiveControl(TControl* control) {
    FActiveControl = control;
    if (control && FView) FView->FocusControl(*control);
}

void TForm::Destroying() {
    if (FDestroyed) return;
    FDestroyed = true;
    for (auto& hook : DestroyingHooks) hook();
}
