#pragma once
// The running copy's side of the commands a later start hands over: each one
// is checked before anything changes and then carried out through what the
// window's own buttons and the popup menu do.
#include <cstddef>
#include <cstdint>
#include <optional>

#include "platform/kernel.h"
#include "platform/types.h"
#include "system/Commands.h"

class TMainForm;

class TRemoteCommands {
public:
    TRemoteCommands(TMainForm& form, plat::IKernel& kernel) : FForm(form), FKernel(kernel) {}

    // The answer to a command (PackAnswer); nothing changes. The folders of
    // /add are replaced by their pictures, found with the masks in force.
    plat::LResult Prepare(TCommand& command);
    // A message from a later start: decoded and prepared; `accepted` holds the
    // command when the answer is caDone. Anything else leaves a trace.
    plat::LResult Receive(std::uintptr_t magic, const void* data, std::size_t size,
                          std::optional<TCommand>& accepted);
    // Carries out a prepared command; errors go to the caller's dispatch.
    void Execute(const TCommand& command);

private:
    TMainForm& FForm;
    plat::IKernel& FKernel;
};
