#pragma once
// The platform's package manager behind the registrar's deployment seam.
#include <windows.h>

#include <memory>

#include "registrar/deployment.h"
#include "registrar/deployment_abi_win.h"

inline constexpr DWORD kDeploymentWaitMs = 60000;

// Waits for a deployment operation to end, at most timeoutMs; a completion handler records the
// final status from a platform thread and signals the waiting thread. Started means still running.
AsyncStatus WaitOp(deployment_abi::IDeploymentOperation* operation, DWORD timeoutMs);

// What a waited operation amounts to: still running or cancelled is cancelled and not completed; an
// operation that ran to its end, successfully or with an error, is completed with its result.
DeploymentOutcome OutcomeOf(deployment_abi::IDeploymentOperation* operation, AsyncStatus status);

// Windows.Management.Deployment.PackageManager, activated on first use; a platform failure (as under
// Wine, which lacks it: 0x80040154) is thrown as a DeploymentError.
std::unique_ptr<DeploymentService> PlatformDeployment();
