#include "app/LumenExternalInterface.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>

#include "platform/tamb/MainLoop.h"
#include "platform/tamb/Player.h"
#include "platform/tamb/ScriptMovie.h"
#include "support/empty_t.h"
#include "support/string_t.h"

namespace lei = vesko::tamb_canvas::lumen_external_interface;

TEST(LumenExternalInterface, ARequestTextBecomesNamedValues) {
  const std::string text =
      "<invoke name=\"externalInstallExtension\"><arguments><string>-1</string>"
      "<number>2.5</number><true/><null/><string>a&amp;b</string></arguments></invoke>";
  const lei::request_t request =
      lei::read_request(text.c_str(), static_cast<unsigned>(text.size()));
  EXPECT_STREQ(request.name_m.c_str(), "externalInstallExtension");
  ASSERT_EQ(request.arguments_m.size(), 5u);
  EXPECT_EQ(std::string(request.arguments_m[0].cast<vesko::string_t>()), "-1");
  EXPECT_EQ(request.arguments_m[1].cast<double>(), 2.5);
  EXPECT_STREQ(request.arguments_m[2].cast<vesko::name_t>().c_str(), "true");
  EXPECT_EQ(request.arguments_m[3].type_info(), vesko::type_info<vesko::empty_t>());
  EXPECT_EQ(std::string(request.arguments_m[4].cast<vesko::string_t>()), "a&b");

  // Only the given length counts.
  const lei::request_t cut = lei::read_request("<invoke name=\"x\"/>trailing", 18);
  EXPECT_STREQ(cut.name_m.c_str(), "x");
  EXPECT_THROW(lei::read_request("<invoke name=\"x\">", 17), std::invalid_argument);
  EXPECT_THROW(lei::read_request(nullptr, 0), std::invalid_argument);
}

TEST(LumenExternalInterface, InvokingARequestCallsTheMovieWithItsValues) {
  tamb::MainLoop loop;
  tamb::Player player(loop);
  auto movie = std::make_unique<tamb::ScriptMovie>();
  tamb::ScriptMovie* script = movie.get();
  player.load(std::move(movie));

  lei::request_t request;
  request.name_m = vesko::name_t("brioCallBack");
  request.arguments_m.push_back(vesko::any_regular_t(vesko::string_t("-4")));
  request.arguments_m.push_back(vesko::any_regular_t(7.0));
  request.arguments_m.push_back(vesko::any_regular_t(vesko::name_t("false")));
  request.arguments_m.push_back(vesko::any_regular_t(vesko::empty_t()));
  lei::lumen_player_invoke_request(&player, request);
  EXPECT_EQ(lei::lumen_player_invoke_request(nullptr, request).type_info(),
            vesko::type_info<vesko::empty_t>());

  ASSERT_EQ(script->callCount(), 1u);
  const tamb::Invocation call = script->calls()[0];
  EXPECT_EQ(call.name, "brioCallBack");
  EXPECT_EQ(call.arguments, (std::vector<tamb::Value>{tamb::Value::string("-4"),
                                                      tamb::Value::number("7"),
                                                      {tamb::Value::Kind::kFalse, ""},
                                                      {tamb::Value::Kind::kNull, ""}}));
}
