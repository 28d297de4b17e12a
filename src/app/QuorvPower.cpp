// The "Power manager" submenu and the quick-shutdown hotkey.
#include "app/QuorvFrm.h"

void TQuorvForm::WirePowerMenu() {
    SubLogoff->OnClick = [this] { LogonCommand(TRebootOperation::roLogOff); };
    SubReboot->OnClick = [this] { LogonCommand(TRebootOperation::roReboot); };
    SubShutdown->OnClick = [this] { LogonCommand(TRebootOperation::roShutDown); };
    SubSuspend->OnClick = [this] { PowerCommand(TRebootOperation::roSuspend); };
    SubHibernate->OnClick = [this] { PowerCommand(TRebootOperation::roHibernate); };
    SubDontaskconfirm->OnClick = [this] {
        SubDontaskconfirm->SetChecked(!SubDontaskconfirm->Checked());
        WinReboot1.ForceTerminateProcesses = SubDontaskconfirm->Checked();
    };
}

void TQuorvForm::LogonCommand(TRebootOperation operation) {
    WinReboot1.ForceTerminateProcesses = SubDontaskconfirm->Checked();
    WinReboot1.PowerOff = false;
    WinReboot1.Operation = operation;
    WinReboot1.Execute();
}

// Suspend and hibernate keep the force flag as the last logon command or a
// click on "Don't ask confirm" left it.
void TQuorvForm::PowerCommand(TRebootOperation operation) {
    WinReboot1.Operation = operation;
    WinReboot1.Execute();
}
