#include "validator/ValidationComponent.h"

#include "validator/SignatureValidator.h"
#include "validator/ValidationRequest.h"
#include "validator/ValidatorGateway.h"

namespace nimbrel {

ValidationComponent::ValidationComponent(std::string trustStoreFolder)
    : m_trustStoreFolder(std::move(trustStoreFolder)) {}

void ValidationComponent::onRequest(ulp::Script& script, const std::string& name,
                                    const std::vector<std::string>& texts) {
  if (name != kValidateRequest) return;
  // The check runs in a frame of its own, after Nimbrel's call returned.
  script.later([this, texts](ulp::Script& frame) {
    const TrustStore trust = TrustStore::fromFolder(m_trustStoreFolder);
    const SignatureValidator validator(trust);
    answerTexts(frame, kValidationResponse, ValidationRequest::answer(texts, validator));
  });
}

std::unique_ptr<ulp::Component> makeValidationComponent(const ulp::ComponentSource& source) {
  std::string folder = source.value("truststore", kTrustStoreFolder);
  if (folder.empty() || folder.front() != '/') folder = source.folder + folder;
  return std::make_unique<ValidationComponent>(std::move(folder));
}

}  // namespace nimbrel
