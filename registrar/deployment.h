#pragma once
// The one seam between the registrar and the platform's package manager, so that the registration
// logic runs against a substitute where the real one is missing (as under Wine).
#include <cstdint>
#include <string>
#include <vector>

struct PackageInfo {
    std::u16string fullName;
    std::u16string familyName;
    std::u16string version;      // Major.Minor.Build.Revision
    std::u16string externalPath; // the effective external location, empty when it has none
};

// How a deployment operation ended. An operation that did not end within the wait, or was
// cancelled, is not completed (the service has cancelled it); an operation that ran to its end,
// successfully or not, is completed with the deployment result's extended error code and text.
struct DeploymentOutcome {
    bool completed = false;
    std::int32_t extendedError = 0;
    std::u16string errorText;
};

// A failure reported by the platform itself (not by a deployment result), with its message.
struct DeploymentError {
    std::int32_t code;
    std::u16string message;
};

class DeploymentService {
  public:
    virtual ~DeploymentService() = default;
    // Packages by name and publisher: the current user's, or every user's. Throws DeploymentError.
    virtual std::vector<PackageInfo> FindPackages(const std::u16string& name, const std::u16string& publisher,
                                                  bool allUsers) = 0;
    // Removes a package by its full name, for the current user or for all users. Throws DeploymentError.
    virtual DeploymentOutcome RemovePackage(const std::u16string& fullName, bool allUsers) = 0;
    // Adds the package file at packageUri with the external location at externalLocationUri,
    // replacing any other version. Throws DeploymentError.
    virtual DeploymentOutcome AddPackage(const std::u16string& packageUri,
                                         const std::u16string& externalLocationUri) = 0;
};
