#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/ulp/Component.h"
#include "validator/GatewayComponent.h"
#include "validator/TrustStore.h"

namespace nimbrel {

inline constexpr char kValidationComponentName[] = "validation";
// The trust store's folder beside Nimbrel, unless the component file names
// another with "truststore=<folder>" (relative to Nimbrel's folder).
inline constexpr char kTrustStoreFolder[] = "TrustStore";

// The component Nimbrel ships with: it answers "Validate" with the
// signature check of the packages or bundles the request names (see
// ValidationRequest.h).
class ValidationComponent : public GatewayComponent {
 public:
  explicit ValidationComponent(std::string trustStoreFolder);

  void onRequest(ulp::Script& script, const std::string& name,
                 const std::vector<std::string>& texts) override;

 private:
  std::string m_trustStoreFolder;
};

std::unique_ptr<ulp::Component> makeValidationComponent(const ulp::ComponentSource& source);

}  // namespace nimbrel
