#include "platform/ulp/Ulp.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "platform/ulp/Component.h"
#include "platform/ulp/RunLoop.h"
#include "platform/ulp/Script.h"
#include "platform/ulp/UlpTesting.h"
#include "platform/ulp/VskoUlpStage.h"
#include "testsupport/TempDir.h"

namespace {

// A host model that records what the runtime asks of it.
struct HostRecord {
  std::vector<std::string> calls;
  std::vector<void*> disconnected;
  int classObject = 0;  // the object handed out as the class "Thing"
};
HostRecord* g_host = nullptr;

UlpOpaqueAtom* text(UlpPlayer* player, const std::string& value) {
  UlpOpaqueAtom* atom = nullptr;
  UlpAtomFromUTF8(player, value.data(), value.size(), &atom);
  return atom;
}
std::string textOf(UlpPlayer* player, UlpOpaqueAtom* atom) {
  size_t length = 0;
  UlpAtomToUTF8(player, atom, nullptr, &length);
  std::string value(length, '\0');
  UlpAtomToUTF8(player, atom, value.data(), &length);
  return value;
}

void* hostRoot(UlpPlayer*, void*) noexcept {
  return nullptr;
}
void* hostCreate(UlpPlayer*, void*, UlpOpaqueAtom*, int32_t, UlpOpaqueAtom**) noexcept {
  return nullptr;
}
UlpOpaqueAtom* hostClassName(UlpPlayer* player, void*, void*) noexcept {
  return text(player, "Thing");
}
void hostDisconnect(UlpPlayer*, void*, void* object) noexcept {
  g_host->disconnected.push_back(object);
}
int32_t hostFlags(UlpPlayer*, void*, void*, UlpOpaqueAtom*) noexcept {
  return 1;
}
UlpOpaqueAtom* hostGet(UlpPlayer* player, void*, void*, UlpOpaqueAtom* name) noexcept {
  g_host->calls.push_back("get " + textOf(player, name));
  return text(player, "value");
}
void hostSet(UlpPlayer* player, void*, void*, UlpOpaqueAtom* name, UlpOpaqueAtom*) noexcept {
  g_host->calls.push_back("set " + textOf(player, name));
}
UlpOpaqueAtom* hostInvoke(UlpPlayer* player, void*, void*, UlpOpaqueAtom* name, int32_t count,
                          UlpOpaqueAtom**) noexcept {
  g_host->calls.push_back("call " + textOf(player, name) + " " + std::to_string(count));
  if (textOf(player, name) == "fail") {
    UlpPlayerSetStandardException(player, text(player, "it failed"), 42, "RangeError");
    return nullptr;
  }
  return nullptr;
}
bool hostDelete(UlpPlayer*, void*, void*, UlpOpaqueAtom*) noexcept {
  return true;
}
bool hostEvent(UlpPlayer*, void*, UlpOpaqueAtom*, UlpOpaqueAtom*, UlpOpaqueAtom*) noexcept {
  return false;
}
bool hostClassObject(UlpPlayer* player, void*, UlpOpaqueAtom* name, void** object) noexcept {
  if (textOf(player, name) != "Thing") return false;
  *object = &g_host->classObject;
  return true;
}
int32_t hostNextIndex(UlpPlayer*, void*, void*, int32_t) noexcept {
  return -1;
}
UlpOpaqueAtom* hostEnumValue(UlpPlayer*, void*, void*, int32_t, bool) noexcept {
  return nullptr;
}

const UlpHostCallbacks kCallbacks = {
    2,       hostRoot,   hostCreate, hostClassName, hostDisconnect,  hostFlags,     hostGet,
    hostSet, hostInvoke, hostDelete, hostEvent,     hostClassObject, hostNextIndex, hostEnumValue,
};

// A component for load tests: it defines a class and asks for a frame.
int g_frames = 0;
class ProbeComponent : public ulp::Component {
 public:
  void load(ulp::Script& script) override {
    script.defineClass("probe.Thing", std::make_unique<ulp::ScriptObject>("Thing"));
    script.later([](ulp::Script&) { ++g_frames; });
  }
};

class UlpRuntimeTest : public ::testing::Test {
 protected:
  void SetUp() override {
    g_host = &host;
    g_frames = 0;
    ulp::testing::reset();
    ulp::RunLoop::shared().reset();
    ulp::registerComponent(
        "probe", [](const ulp::ComponentSource&) { return std::make_unique<ProbeComponent>(); });
    UlpInitParams params{};
    params.version = 2;
    ASSERT_EQ(UlpInitialize(&params), kUlpNoErr);
    UlpStageArgs args{};
    args.version = 1;
    stage = VskoUlpStage::initWithFrame({0, 0, 10, 10}, args);
    ASSERT_TRUE(stage);
    player = stage->player();
  }
  void TearDown() override {
    stage.reset();
    UlpTerminate();
    ulp::RunLoop::shared().reset();
    g_host = nullptr;
  }

  HostRecord host;
  std::unique_ptr<VskoUlpStage> stage;
  UlpPlayer* player = nullptr;
  TempDir dir;
};

TEST_F(UlpRuntimeTest, ComponentFilesAreKeyValueLinesKeptInOrder) {
  TempDir::write(dir / "a", "# comment\n\ncomponent = probe\ntext=1\ntext = two = 2\r\n");
  ulp::ComponentSource source;
  ASSERT_TRUE(ulp::readComponentFile(dir / "a", source, nullptr));
  EXPECT_EQ(source.value("component"), "probe");
  EXPECT_EQ(source.values("text"), (std::vector<std::string>{"1", "two = 2"}));
  EXPECT_EQ(source.value("missing", "fallback"), "fallback");

  std::string error;
  TempDir::write(dir / "b", "component=probe\nno value line\n");
  EXPECT_FALSE(ulp::readComponentFile(dir / "b", source, &error));
  EXPECT_EQ(error, "line 2 is not key=value");
  TempDir::write(dir / "c", std::string(ulp::kMaxComponentFileBytes + 1, '#'));
  EXPECT_FALSE(ulp::readComponentFile(dir / "c", source, &error));
}

TEST_F(UlpRuntimeTest, LoadingAComponentReportsEachFailure) {
  int folders = 0;
  auto load = [&](const std::string& content) {
    const std::string folder = dir / std::to_string(++folders);
    std::filesystem::create_directories(folder);
    if (!content.empty()) TempDir::write(folder + "/" + ulp::kComponentFileName, content);
    UlpStageArgs args{};
    args.version = 1;
    auto fresh = VskoUlpStage::initWithFrame({0, 0, 1, 1}, args);
    return UlpPlayerLoadComponent(fresh->player(), folder.c_str());
  };
  EXPECT_EQ(load(""), kUlpErrNoComponent);
  EXPECT_EQ(load("component\n"), kUlpErrBadComponent);
  EXPECT_EQ(load("other=1\n"), kUlpErrBadComponent);
  EXPECT_EQ(load("component=nothing\n"), kUlpErrUnknownComponent);
  EXPECT_EQ(load("component=probe\n"), kUlpNoErr);

  TempDir::write(dir / ulp::kComponentFileName, "component=probe\n");
  ASSERT_EQ(UlpPlayerLoadComponent(player, dir.path().c_str()), kUlpNoErr);
  EXPECT_EQ(UlpPlayerLoadComponent(player, dir.path().c_str()), kUlpErrComponentLoaded);
  // The first frame comes from the run loop, not from the load.
  EXPECT_EQ(g_frames, 0);
  ulp::RunLoop::shared().runPending();
  EXPECT_EQ(g_frames, 1);

  UlpTerminate();
  EXPECT_EQ(UlpPlayerLoadComponent(player, dir.path().c_str()), kUlpErrNotInitialized);
}

TEST_F(UlpRuntimeTest, StagesAndStartNeedWhatTheHooksAllow) {
  UlpStageArgs args{};
  args.version = 1;
  ulp::testing::setStageFails(true);
  EXPECT_FALSE(VskoUlpStage::initWithFrame({0, 0, 1, 1}, args));
  ulp::testing::setStageFails(false);
  args.version = 2;
  EXPECT_FALSE(VskoUlpStage::initWithFrame({0, 0, 1, 1}, args));
  UlpInitParams params{};
  params.version = 1;
  EXPECT_EQ(UlpInitialize(&params), kUlpErrBadParameter);
  params.version = 2;
  ulp::testing::setInitializeResult(9);
  EXPECT_EQ(UlpInitialize(&params), 9);
}

TEST_F(UlpRuntimeTest, OperationsOnHostObjectsGoThroughTheirCallbacks) {
  ASSERT_EQ(UlpPlayerExtendObjectModel(player, nullptr, "host", &kCallbacks), kUlpNoErr);
  EXPECT_EQ(UlpPlayerExtendObjectModel(player, nullptr, "host", &kCallbacks), kUlpErrPrefixInUse);
  int object = 0;
  UlpOpaqueAtom* atom = nullptr;
  UlpOpaqueAtom* again = nullptr;
  ASSERT_EQ(UlpAtomFromHostObject(player, &object, "host.Thing", &atom), kUlpNoErr);
  ASSERT_EQ(UlpAtomFromHostObject(player, &object, "host.Thing", &again), kUlpNoErr);
  EXPECT_EQ(atom, again);
  EXPECT_EQ(UlpAtomFromHostObject(player, &object, "elsewhere.Thing", &again), kUlpNoErr)
      << "a held object keeps its atom";
  int stranger = 0;
  EXPECT_EQ(UlpAtomFromHostObject(player, &stranger, "elsewhere.Thing", &again), kUlpErrNotFound);

  ulp::Script script(player);
  EXPECT_EQ(script.text(script.get(atom, "size")), "value");
  script.set(atom, "size", script.number(3));
  script.call(atom, "grow", {script.number(1), script.number(2)});
  EXPECT_EQ(script.className(atom), "Thing");
  EXPECT_EQ(host.calls, (std::vector<std::string>{"get size", "set size", "call grow 2"}));
  try {
    script.call(atom, "fail", {});
    ADD_FAILURE() << "no script error";
  } catch (const ulp::ScriptError& e) {
    EXPECT_EQ(e.text, "RangeError: it failed");
    EXPECT_EQ(e.number, 42);
  }

  // The same call from native code leaves the exception pending.
  UlpOpaqueAtom* result = nullptr;
  UlpOpaqueAtom* slots[] = {nullptr};
  ASSERT_EQ(UlpObjectInvokeMethod(player, atom, text(player, "fail"), 0, slots, &result),
            kUlpNoErr);
  UlpOpaqueAtom* pending = nullptr;
  ASSERT_EQ(UlpPlayerRetrieveException(player, &pending), kUlpNoErr);
  ASSERT_NE(pending, nullptr);
  EXPECT_EQ(textOf(player, pending), "RangeError: it failed");
  ASSERT_EQ(UlpPlayerRetrieveException(player, &pending), kUlpNoErr);
  EXPECT_EQ(pending, nullptr);
}

TEST_F(UlpRuntimeTest, DisconnectingAModelLetsGoOfItsObjectsOnce) {
  ASSERT_EQ(UlpPlayerExtendObjectModel(player, nullptr, "host", &kCallbacks), kUlpNoErr);
  int first = 0;
  int second = 0;
  int forgotten = 0;
  UlpOpaqueAtom* atom = nullptr;
  UlpAtomFromHostObject(player, &first, "host.Thing", &atom);
  UlpAtomFromHostObject(player, &second, "host.Thing", &atom);
  UlpAtomFromHostObject(player, &forgotten, "host.Thing", &atom);
  // The host destroys one itself: no call back for it.
  EXPECT_EQ(UlpObjectDisconnect(player, &forgotten), kUlpNoErr);
  EXPECT_EQ(UlpObjectDisconnect(player, &forgotten), kUlpErrNotFound);
  void* held = nullptr;
  UlpAtomToHostObject(player, atom, &held);
  EXPECT_EQ(held, nullptr);

  ASSERT_EQ(UlpPlayerDisconnectObjectModelExtension(player, "host"), kUlpNoErr);
  EXPECT_EQ(host.disconnected.size(), 2u);
  EXPECT_EQ(UlpPlayerDisconnectObjectModelExtension(player, "host"), kUlpErrNotFound);
}

TEST_F(UlpRuntimeTest, ClassLookupAsksTheComponentFirstThenTheHost) {
  ASSERT_EQ(UlpPlayerExtendObjectModel(player, nullptr, "probe", &kCallbacks), kUlpNoErr);
  ulp::Script script(player);
  UlpOpaqueAtom* own =
      script.defineClass("probe.Thing", std::make_unique<ulp::ScriptObject>("Own"));
  UlpOpaqueAtom* found = nullptr;
  ASSERT_EQ(UlpObjectGetClassObject(player, text(player, "probe.Thing"), &found), kUlpNoErr);
  EXPECT_EQ(script.className(found), "Own");
  EXPECT_EQ(script.className(own), "Own");
  // Scripts reach the host's class of the same name explicitly.
  void* object = nullptr;
  UlpAtomToHostObject(player, script.hostClass("probe.Thing"), &object);
  EXPECT_EQ(object, &host.classObject);
  EXPECT_EQ(UlpObjectGetClassObject(player, text(player, "probe.Nothing"), &found),
            kUlpErrNotFound);
  EXPECT_THROW(script.hostClass("probe.Nothing"), ulp::ScriptError);
}

TEST_F(UlpRuntimeTest, AtomsConvertOnlyWhereTheKindAllows) {
  UlpOpaqueAtom* atom = text(player, "abc");
  size_t length = 0;
  ASSERT_EQ(UlpAtomToUTF8(player, atom, nullptr, &length), kUlpNoErr);
  EXPECT_EQ(length, 3u);
  char buffer[2];
  length = sizeof(buffer);
  ASSERT_EQ(UlpAtomToUTF8(player, atom, buffer, &length), kUlpNoErr);
  EXPECT_EQ(length, 2u) << "no more than the buffer holds";

  double number = 0;
  int32_t integer = 0;
  EXPECT_EQ(UlpAtomToDouble(player, atom, &number), kUlpErrWrongKind);
  UlpAtomFromDouble(player, 1e12, &atom);
  EXPECT_EQ(UlpAtomToInt32(player, atom, &integer), kUlpErrOutOfRange);
  UlpAtomGetCanonical(player, kUlpCanonicalNaN, &atom);
  EXPECT_EQ(UlpAtomToInt32(player, atom, &integer), kUlpErrOutOfRange);
  EXPECT_EQ(textOf(player, atom), "NaN");
  UlpAtomFromInt32(player, -7, &atom);
  EXPECT_EQ(textOf(player, atom), "-7");
  UlpAtomGetCanonical(player, kUlpCanonicalNull, &atom);
  int32_t kind = -1;
  bool isNull = false;
  UlpAtomGetKind(player, atom, &kind);
  UlpAtomIsNull(player, atom, &isNull);
  EXPECT_EQ(kind, kUlpKindObject);
  EXPECT_TRUE(isNull);
  EXPECT_EQ(UlpAtomGetCanonical(player, 1, &atom), kUlpErrBadParameter);
}

TEST_F(UlpRuntimeTest, FramesRunOnlyWhileTheirPlayerLivesAndReportUncaughtErrors) {
  ulp::Script script(player);
  int ran = 0;
  script.later([&](ulp::Script&) { ++ran; });
  script.later([](ulp::Script& s) { s.raise("TypeError", "nobody caught me"); });
  ulp::RunLoop::shared().runPending();
  EXPECT_EQ(ran, 1);
  EXPECT_EQ(ulp::testing::uncaughtScriptErrors(), 1u);
  EXPECT_EQ(ulp::testing::lastUncaughtScriptError(), "TypeError: nobody caught me");

  script.later([&](ulp::Script&) { ++ran; });
  stage.reset();
  ulp::RunLoop::shared().runPending();
  EXPECT_EQ(ran, 1);
}

TEST(UlpRunLoop, RunsTasksInOrderUntilTerminated) {
  ulp::RunLoop loop;
  std::vector<int> order;
  loop.post([&] {
    order.push_back(1);
    loop.post([&] { order.push_back(3); });
  });
  loop.post([&] { order.push_back(2); });
  EXPECT_EQ(loop.runPending(), 3u);
  EXPECT_EQ(order, (std::vector<int>{1, 2, 3}));

  loop.post([&] {
    order.push_back(4);
    loop.terminate();
  });
  loop.post([&] { order.push_back(5); });
  loop.run();
  EXPECT_EQ(order.back(), 4);
  EXPECT_TRUE(loop.isTerminated());
  EXPECT_EQ(loop.pendingCount(), 0u);
  loop.post([&] { order.push_back(6); });
  loop.run();  // returns at once
  EXPECT_EQ(order.back(), 4);
  loop.reset();
  loop.post([&] { order.push_back(7); });
  EXPECT_EQ(loop.runPending(), 1u);
  EXPECT_EQ(order.back(), 7);
}

}  // namespace
