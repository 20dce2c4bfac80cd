#include "validator/ValidatorDOM.h"

#include <string>
#include <vector>

#include "support/string_t.h"
#include "support/type_info_t.h"
#include "validator/NimbrelLog.h"
#include "validator/ValidatorGateway.h"

namespace nimbrel {

MiniDOM::Extension* mainExt = nullptr;
ApplicationClass* appClass = nullptr;

void connectDOM(UlpPlayer* player, IApplication* application) {
  mainExt = new MiniDOM::Extension(player, kValidatorGateway, false);
  // Both register themselves with the extension, which deletes them.
  appClass = new ApplicationClass(mainExt, application);
  new PlexarClass(mainExt);
}

void disconnectDOM() {
  delete mainExt;
  mainExt = nullptr;
  appClass = nullptr;
}

void SendRequestToOV(const request_t& request) {
  if (!mainExt || !appClass) return;
  try {
    const std::string gateway = std::string(kValidatorGateway) + "." + kApplicationClassName;
    UlpOpaqueAtom* classObject = mainExt->ovGetClassObject(gateway.c_str());
    // Slot 0 is the runtime's.
    std::vector<UlpOpaqueAtom*> atoms{appClass->undefined(),
                                      appClass->string2atom(request.name.c_str())};
    for (const vesko::any_regular_t& argument : request.arguments) {
      if (argument.type_info() != vesko::type_info<vesko::string_t>()) continue;
      const vesko::string_t& text = argument.cast<vesko::string_t>();
      atoms.push_back(appClass->string2atom(std::string(text.c_str(), text.size())));
    }
    mainExt->ovCall(classObject, kSendRequestToOV, static_cast<int32_t>(atoms.size() - 1),
                    atoms.data());
  } catch (const MiniDOM::ovexception&) {
    // The component's own trouble; it may still answer.
  } catch (long code) {
    nimbrelLog("The request could not be delivered: Ulp error #" + std::to_string(code));
  }
}

}  // namespace nimbrel
