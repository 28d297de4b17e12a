// The "Power manager" submenu and the quick-shutdown hotkey.
#include "app/MainForm.h"

void TMainForm::WirePowerMenu() {
    SubLogoff->OnClick = [this] { LogonCommand(TRebootOperation::roLogOff); };
    SubReboot->OnClick = [this] { LogonCommand(TRebootOperation::roReboot); };
    SubShutdown->OnClick = [this] { LogonCommand(TRebootOperation::roShutDown); };
    SubSuspend->OnClick = [this] { PowerCommand(TRebootOperation::roSuspend); };
    SubHibernate->OnClick = [this] { PowerCommand(TRebootOperation::roHibernate); };
    SubDontaskconfirm->OnClick = [this] {
        SubDontaskconfirm->SetChecked(!SubDontaskconfirm->Checked());
        power.ForceTerminateProcesses = SubDontaskconfirm->Checked();
    };
}

void TMainForm::LogonCommand(TRebootOperation operation) {
    power.ForceTerminateProcesses = SubDontaskconfirm->Checked();
    power.PowerOff = false;
    power.Operation = operation;
    power.Execute();
}

// Suspend and hibernate keep the force flag as the last logon command or a
// click on "Don't ask confirm" left it.
void TMainForm::PowerCommand(TRebootOperation operation) {
    power.Operation = operation;
    power.Execute();
}
