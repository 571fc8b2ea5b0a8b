// The machine root: the host folder that stands for the whole Windows machine
// (drives, the registry database, the spooler's state). It is set by a call
// (tests, the host), else taken from the PK_MACHINE_ROOT environment variable
// (so child processes inherit it), else a per-user default folder. A fresh root
// runs the registered set-up steps once.
#pragma once

#include <string>

#include "platform/win/win_types.h"

#define PK_MACHINE_ROOT_ENV "PK_MACHINE_ROOT"

// A set-up step gets the root's host folder; steps run in registration order,
// each once per root (recorded in the root), also when registered after the
// root was first used.
using PkRootSetupStep = void (*)(const std::string& root);
PKAPI void PkAddRootSetupStep(const char* name, PkRootSetupStep step);

// Uses `hostFolder` as the machine root (created when missing) and exports it
// to the environment. Null forgets the root; the next use looks again.
PKAPI void PkSetMachineRoot(const char* hostFolder);
// The root's host folder, without a trailing slash, set up on first use.
PKAPI std::string PkMachineRoot();
// Host folder of the root without running the set-up steps (used by the steps).
PKAPI std::string PkMachineRootNoSetup();
// A counter that changes whenever the root changes, for per-root caches.
PKAPI unsigned PkMachineRootGeneration();

// Makes a fresh empty root in the host's temp folder and uses it.
PKAPI std::string PkCreateTemporaryMachineRoot();
// Removes a root folder and everything in it; forgets it when it is in use.
PKAPI void PkRemoveMachineRoot(const std::string& hostFolder);
