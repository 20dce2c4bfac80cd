#include "validator/MiniDOM.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/ulp/RunLoop.h"
#include "platform/ulp/Script.h"
#include "platform/ulp/Ulp.h"
#include "platform/ulp/UlpTesting.h"
#include "platform/ulp/VskoUlpStage.h"
#include "validator/ApplicationClass.h"

namespace {

using MiniDOM::Object;
using MiniDOM::ObjectClass;

constexpr char kPrefix[] = "test.dom";

int g_widgetsAlive = 0;

UlpOpaqueAtom* getFoo(Object* self, int32_t, UlpOpaqueAtom**) {
  return self->string2atom("foo value");
}
UlpOpaqueAtom* setFoo(Object* self, int32_t count, UlpOpaqueAtom** atoms) {
  return count == 1 ? atoms[1] : self->undefined();
}
UlpOpaqueAtom* doIt(Object* self, int32_t count, UlpOpaqueAtom**) {
  return self->int2atom(count);
}
UlpOpaqueAtom* getReadOnly(Object* self, int32_t, UlpOpaqueAtom**) {
  return self->string2atom("read");
}
UlpOpaqueAtom* setWriteOnly(Object* self, int32_t, UlpOpaqueAtom**) {
  return self->undefined();
}
UlpOpaqueAtom* throwsLong(Object*, int32_t, UlpOpaqueAtom**) {
  throw 5L;
}
UlpOpaqueAtom* throwsStd(Object*, int32_t, UlpOpaqueAtom**) {
  throw std::runtime_error("the host failed");
}
UlpOpaqueAtom* throwsFalse(Object*, int32_t, UlpOpaqueAtom**) {
  MiniDOM::ThrowIfFalse(false);
  return nullptr;
}
UlpOpaqueAtom* getIndex(Object* self, int32_t, UlpOpaqueAtom** atoms) {
  return self->string2atom("item " + self->atom2string(atoms[1]));
}
UlpOpaqueAtom* setIndex(Object* self, int32_t, UlpOpaqueAtom**) {
  return self->undefined();
}
UlpOpaqueAtom* deleteAllowed(Object* self, int32_t, UlpOpaqueAtom** atoms) {
  const std::string name = self->atom2string(atoms[1]);
  if (name == "explode") throw std::runtime_error("no delete");
  return self->bool2atom(name == "foo");
}
UlpOpaqueAtom* tesselEvent(Object* self, int32_t count, UlpOpaqueAtom** atoms) {
  return self->bool2atom(count == 3 && self->atom2string(atoms[1]) == "click");
}

// An instance scripts can make with "new test.dom.Widget()".
class Widget : public Object {
 public:
  static const MiniDOM::FnDecl functions[];
  explicit Widget(MiniDOM::Extension* extension) : Object(extension, functions) {
    ++g_widgetsAlive;
  }
  ~Widget() override { --g_widgetsAlive; }
  bool isHidden(const char* name) const override { return std::string(name) == "getSecret"; }
};

const MiniDOM::FnDecl Widget::functions[] = {
    {"Widget", nullptr, Object::functions},
    {"getFoo", getFoo, nullptr},
    {"setFoo", setFoo, nullptr},
    {"doIt", doIt, nullptr},
    {"getReadOnly", getReadOnly, nullptr},
    {"setWriteOnly", setWriteOnly, nullptr},
    {"getSecret", getFoo, nullptr},
    {"throwsLong", throwsLong, nullptr},
    {"throwsStd", throwsStd, nullptr},
    {"throwsFalse", throwsFalse, nullptr},
    {nullptr, nullptr, nullptr},
};

class WidgetClass : public ObjectClass {
 public:
  static const MiniDOM::FnDecl functions[];
  explicit WidgetClass(MiniDOM::Extension* extension) : ObjectClass(extension, functions) {}
  Object* _create(int32_t, UlpOpaqueAtom**) override { return new Widget(extension()); }
};

const MiniDOM::FnDecl WidgetClass::functions[] = {
    {"WidgetClass", nullptr, ObjectClass::functions},
    {"get_index", getIndex, nullptr},
    {"set_index", setIndex, nullptr},
    {"_delete", deleteAllowed, nullptr},
    {nullptr, nullptr, nullptr},
};

// A class with no methods of its own.
class EmptyClass : public ObjectClass {
 public:
  static const MiniDOM::FnDecl functions[];
  explicit EmptyClass(MiniDOM::Extension* extension) : ObjectClass(extension, functions) {}
};
const MiniDOM::FnDecl EmptyClass::functions[] = {
    {"EmptyClass", nullptr, nullptr},
    {nullptr, nullptr, nullptr},
};

class EventHandlerClass : public ObjectClass {
 public:
  static const MiniDOM::FnDecl functions[];
  explicit EventHandlerClass(MiniDOM::Extension* extension) : ObjectClass(extension, functions) {}
};
const MiniDOM::FnDecl EventHandlerClass::functions[] = {
    {"EventHandlerClass", nullptr, nullptr},
    {"tesselEvent", tesselEvent, nullptr},
    {nullptr, nullptr, nullptr},
};

// A player with the extension test.dom: its classes Widget, Empty,
// EventHandler and Application.
class MiniDOMTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ulp::testing::reset();
    ulp::RunLoop::shared().reset();
    UlpInitParams params{};
    params.version = 2;
    ASSERT_EQ(UlpInitialize(&params), kUlpNoErr);
    UlpStageArgs args{};
    args.version = 1;
    stage = VskoUlpStage::initWithFrame({0, 0, 100, 100}, args);
    ASSERT_TRUE(stage);
    player = stage->player();
    extension = new MiniDOM::Extension(player, kPrefix, false);
    widgetClass = new WidgetClass(extension);
    new EmptyClass(extension);
    new EventHandlerClass(extension);
    applicationClass = new nimbrel::ApplicationClass(extension, nullptr);
  }
  void TearDown() override {
    MiniDOM::Extension::deleteAll();
    stage.reset();
    UlpTerminate();
    EXPECT_EQ(g_widgetsAlive, 0);
  }

  ulp::Script script() { return ulp::Script(player); }
  UlpOpaqueAtom* hostClass(const std::string& name) {
    return script().hostClass(std::string(kPrefix) + "." + name);
  }
  // The script error a step raises.
  template <class Fn>
  ulp::ScriptError errorOf(Fn fn) {
    try {
      fn();
    } catch (const ulp::ScriptError& e) {
      return e;
    }
    ADD_FAILURE() << "no script error";
    return ulp::ScriptError("", "");
  }

  std::unique_ptr<VskoUlpStage> stage;
  UlpPlayer* player = nullptr;
  MiniDOM::Extension* extension = nullptr;
  WidgetClass* widgetClass = nullptr;
  nimbrel::ApplicationClass* applicationClass = nullptr;
};

TEST_F(MiniDOMTest, MissingMembersRaiseReferenceErrorsNamingClassAndProperty) {
  ulp::Script s = script();
  UlpOpaqueAtom* application = hostClass("Application");
  UlpOpaqueAtom* widget = s.construct(std::string(kPrefix) + ".Widget", {});
  struct Case {
    const char* what;
    std::function<void()> step;
    int32_t number;
    std::string message;
  };
  const std::vector<Case> cases = {
      {"read of an unknown property", [&] { s.get(application, "foo"); }, MiniDOM::kNotDefined,
       "ApplicationClass.foo is not defined"},
      {"write of a property with only a getter", [&] { s.set(widget, "readOnly", s.string("x")); },
       MiniDOM::kReadOnly, "Widget.readOnly is read-only"},
      {"read of a property with only a setter", [&] { s.get(widget, "writeOnly"); },
       MiniDOM::kWriteOnly, "Widget.writeOnly is write-only"},
      {"call of an unknown method", [&] { s.call(widget, "fly", {}); }, MiniDOM::kNotAMethod,
       "Widget.fly is not a method"},
      {"read of an index without get_index", [&] { s.get(application, s.index(3)); },
       MiniDOM::kNotDefined, "ApplicationClass[3] is not defined"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const ulp::ScriptError error = errorOf(c.step);
    EXPECT_EQ(error.type, "ReferenceError");
    EXPECT_EQ(error.number, c.number);
    EXPECT_EQ(error.message, c.message);
  }
}

TEST_F(MiniDOMTest, AccessorsMethodsAndIndexesReachTheTable) {
  ulp::Script s = script();
  UlpOpaqueAtom* widget = s.construct(std::string(kPrefix) + ".Widget", {});
  EXPECT_EQ(s.text(s.get(widget, "foo")), "foo value");
  EXPECT_NO_THROW(s.set(widget, "foo", s.string("new")));
  EXPECT_EQ(s.text(s.call(widget, "doIt", {s.number(1), s.number(2)})), "2");
  UlpOpaqueAtom* widgets = hostClass("Widget");
  EXPECT_EQ(s.text(s.get(widgets, s.index(7))), "item 7");
  EXPECT_NO_THROW(s.set(widgets, s.index(7), s.string("x")));
}

TEST_F(MiniDOMTest, ToStringHasAnObjectAndAClassForm) {
  ulp::Script s = script();
  EXPECT_EQ(s.text(s.call(hostClass("Application"), "toString", {})),
            "[DOMObject ApplicationClass]");
  EXPECT_EQ(s.text(s.call(hostClass("Widget"), "toString", {})), "[DOMClass Widget]");
  UlpOpaqueAtom* widget = s.construct(std::string(kPrefix) + ".Widget", {});
  EXPECT_EQ(s.text(s.call(widget, "toString", {})), "[DOMObject Widget]");
}

TEST_F(MiniDOMTest, NativeFailuresBecomeScriptErrors) {
  ulp::Script s = script();
  UlpOpaqueAtom* widget = s.construct(std::string(kPrefix) + ".Widget", {});
  const std::vector<std::pair<const char*, std::string>> cases = {
      {"throwsLong", "Ulp error #5"},
      {"throwsStd", "the host failed"},
      {"throwsFalse", "Unspecified host exception"},
  };
  for (const auto& [method, message] : cases) {
    SCOPED_TRACE(method);
    const ulp::ScriptError error = errorOf([&] { s.call(widget, method, {}); });
    EXPECT_EQ(error.type, "Error");
    EXPECT_EQ(error.message, message);
  }
}

TEST_F(MiniDOMTest, NoCallbackLetsANativeExceptionOut) {
  // Each callback is noexcept: an exception that got out would end the
  // test program. Here every one meets a failing conversion or table.
  const UlpHostCallbacks& cb = MiniDOM::hostCallbacks;
  UlpOpaqueAtom* object = nullptr;
  ASSERT_EQ(UlpAtomFromHostObject(player, static_cast<Object*>(applicationClass),
                                  "test.dom.ApplicationClass", &object),
            kUlpNoErr);
  void* self = static_cast<Object*>(applicationClass);
  UlpOpaqueAtom* dropped = nullptr;
  auto pendingText = [&] {
    UlpOpaqueAtom* pending = nullptr;
    EXPECT_EQ(UlpPlayerRetrieveException(player, &pending), kUlpNoErr);
    return pending ? script().text(pending) : std::string();
  };

  EXPECT_EQ(cb.getEnumValue(player, extension, self, 99, false), nullptr);
  EXPECT_EQ(pendingText(), "Error: Unspecified host exception");
  EXPECT_EQ(cb.getEnumValue(player, extension, self, 99, true), nullptr);
  EXPECT_EQ(pendingText(), "Error: Unspecified host exception");
  // A null atom where a name belongs: the runtime refuses the conversion.
  EXPECT_EQ(cb.invokeMethod(player, extension, self, nullptr, 0, nullptr), nullptr);
  EXPECT_EQ(pendingText(), "Error: Ulp error #" + std::to_string(kUlpErrBadParameter));
  EXPECT_EQ(cb.propertyFlags(player, extension, self, nullptr), 0);
  EXPECT_NE(pendingText(), "");
  EXPECT_FALSE(cb.getClassObject(player, extension, nullptr, nullptr));
  EXPECT_NE(pendingText(), "");
  EXPECT_EQ(cb.create(player, extension, nullptr, 0, nullptr), nullptr);
  EXPECT_NE(pendingText(), "");
  // A failing _delete answers false; its error is not passed on.
  EXPECT_FALSE(cb.deleteProperty(player, extension, static_cast<Object*>(widgetClass), nullptr));
  EXPECT_EQ(pendingText(), "");
  EXPECT_EQ(UlpPlayerRetrieveException(player, &dropped), kUlpNoErr);
  EXPECT_EQ(dropped, nullptr);
}

TEST_F(MiniDOMTest, EnumerationShowsAccessorPropertiesOnly) {
  ulp::Script s = script();
  UlpOpaqueAtom* widget = s.construct(std::string(kPrefix) + ".Widget", {});
  EXPECT_EQ(s.propertyNames(widget), (std::vector<std::string>{"foo", "readOnly", "secret"}));
  const std::vector<UlpOpaqueAtom*> values = s.propertyValues(widget);
  ASSERT_EQ(values.size(), 3u);
  EXPECT_EQ(s.text(values[0]), "foo value");
  // get_index and _delete are passed over; a table without methods has
  // nothing to show and raises nothing.
  EXPECT_TRUE(s.propertyNames(hostClass("Widget")).empty());
  EXPECT_TRUE(s.propertyNames(hostClass("Empty")).empty());
}

TEST_F(MiniDOMTest, PropertyFlagsSumTheMembersAndTheirHiddenBits) {
  ulp::Script s = script();
  UlpOpaqueAtom* widget = s.construct(std::string(kPrefix) + ".Widget", {});
  const std::vector<std::pair<const char*, int32_t>> cases = {
      {"foo", 3}, {"doIt", 4}, {"readOnly", 1}, {"writeOnly", 2}, {"secret", 17}, {"none", 0},
  };
  for (const auto& [name, flags] : cases)
    EXPECT_EQ(s.propertyFlags(widget, s.string(name)), flags) << name;
  EXPECT_EQ(s.propertyFlags(hostClass("Widget"), s.index(0)), 3);
  EXPECT_EQ(s.propertyFlags(widget, s.index(0)), 0);
}

TEST_F(MiniDOMTest, DeleteAsksDeleteAndSwallowsItsError) {
  ulp::Script s = script();
  UlpOpaqueAtom* widgets = hostClass("Widget");
  EXPECT_TRUE(s.remove(widgets, s.string("foo")));
  EXPECT_FALSE(s.remove(widgets, s.string("bar")));
  // Without _delete anything may go.
  EXPECT_TRUE(s.remove(hostClass("Application"), s.string("foo")));
  // A _delete that fails answers false and leaves no exception behind.
  EXPECT_FALSE(s.remove(widgets, s.string("explode")));
  UlpOpaqueAtom* pending = nullptr;
  EXPECT_EQ(UlpPlayerRetrieveException(player, &pending), kUlpNoErr);
  EXPECT_EQ(pending, nullptr);
}

TEST_F(MiniDOMTest, PlayerEventsGoToTheEventHandlerClass) {
  ulp::Script s = script();
  EXPECT_TRUE(s.event(s.string("click"), s.number(1), s.number(2)));
  EXPECT_FALSE(s.event(s.string("key"), s.number(1), s.number(2)));
}

TEST_F(MiniDOMTest, TheRuntimeDeletesWhatScriptsMadeButNotOwnedObjects) {
  ulp::Script s = script();
  s.construct(std::string(kPrefix) + ".Widget", {});
  s.construct(std::string(kPrefix) + ".Widget", {});
  EXPECT_EQ(g_widgetsAlive, 2);
  auto* root = new Widget(extension);
  extension->setRoot(root);
  EXPECT_TRUE(root->owned());
  EXPECT_EQ(s.className(s.hostRoot(kPrefix)), "Widget");
  ASSERT_EQ(UlpPlayerDisconnectObjectModelExtension(player, kPrefix), kUlpNoErr);
  // The two made by scripts went; the root stays until the extension goes.
  EXPECT_EQ(g_widgetsAlive, 1);
  delete extension;
  EXPECT_EQ(g_widgetsAlive, 0);
  EXPECT_EQ(MiniDOM::allExtensions, nullptr);
}

TEST_F(MiniDOMTest, CallsIntoScriptsTurnScriptExceptionsIntoOvexception) {
  // A class of the component's own world.
  class Counter : public ulp::ScriptObject {
   public:
    Counter() : ulp::ScriptObject("Counter") {}
    UlpOpaqueAtom* call(ulp::Script& s, const std::string& method,
                        const ulp::Arguments& args) override {
      if (method == "fail") s.raise("TypeError", "counting failed");
      return s.number(static_cast<double>(args.size()));
    }
    std::unique_ptr<ulp::ScriptObject> construct(ulp::Script&, const ulp::Arguments&) override {
      return std::make_unique<Counter>();
    }
  };
  ulp::Script s = script();
  s.defineClass("movie.Counter", std::make_unique<Counter>());
  UlpOpaqueAtom* counter = extension->ovGetClassObject("movie.Counter");
  UlpOpaqueAtom* atoms[] = {nullptr, applicationClass->string2atom("a"),
                            applicationClass->string2atom("b")};
  EXPECT_EQ(s.text(extension->ovCall(counter, "count", 2, atoms)), "2");
  try {
    extension->ovCall(counter, "fail", 0, atoms);
    ADD_FAILURE() << "no exception";
  } catch (const MiniDOM::ovexception& e) {
    EXPECT_STREQ(e.what(), "TypeError: counting failed");
  }
  UlpOpaqueAtom* made = extension->ovCreate("movie.Counter", 0, atoms);
  EXPECT_EQ(s.className(made), "Counter");
  UlpOpaqueAtom* root = extension->ovGetRoot();
  extension->ovSet(root, "answer", applicationClass->string2atom("42"));
  EXPECT_EQ(s.text(extension->ovGet(root, "answer")), "42");
  // A class nobody knows is a runtime error, thrown as its code.
  try {
    extension->ovGetClassObject("movie.Nothing");
    ADD_FAILURE() << "no exception";
  } catch (long code) {
    EXPECT_EQ(code, kUlpErrNotFound);
  }
}

TEST_F(MiniDOMTest, AtomsCompareByKindAndValue) {
  Object& o = *applicationClass;
  EXPECT_TRUE(o.atomIsEqual(o.string2atom("abc"), o.string2atom("abc")));
  EXPECT_FALSE(o.atomIsEqual(o.string2atom("abc"), o.string2atom("abd")));
  EXPECT_TRUE(o.atomIsEqual(o.int2atom(3), o.double2atom(3.0)));
  EXPECT_FALSE(o.atomIsEqual(o.int2atom(3), o.string2atom("3")));
  EXPECT_TRUE(o.atomIsEqual(o.bool2atom(true), o.bool2atom(true)));
  EXPECT_TRUE(o.atomIsUndefined(o.undefined()));
  EXPECT_FALSE(o.atomIsObject(o.null()));
  EXPECT_TRUE(o.atomIsObject(o.object2atom(&o)));
  EXPECT_EQ(o.atom2object(o.object2atom(&o)), &o);
  EXPECT_THROW(o.atom2object(o.null()), long);
  EXPECT_EQ(o.atom2string(o.string2atom(std::string("a\0b", 3))), std::string("a\0b", 3));
}

TEST_F(MiniDOMTest, ClassesAreFoundByScriptNameAndExtensionsListNewestFirst) {
  EXPECT_EQ(extension->findClass("Widget"), widgetClass);
  EXPECT_EQ(extension->findClass("WidgetClass"), nullptr);
  EXPECT_EQ(MiniDOM::allExtensions, extension);
  auto* second = new MiniDOM::Extension(player, "test.other", false);
  EXPECT_EQ(MiniDOM::allExtensions, second);
  EXPECT_EQ(second->next(), extension);
  // The same prefix again becomes a plug-in model, still answering.
  auto* plugin = new MiniDOM::Extension(player, kPrefix, false);
  new WidgetClass(plugin);
  EXPECT_NO_THROW(script().hostClass(std::string(kPrefix) + ".Widget"));
}

}  // namespace
