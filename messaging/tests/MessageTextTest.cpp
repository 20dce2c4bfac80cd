#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "messaging/ArborTalkUtils.h"
#include "messaging/Message.h"
#include "messaging/tests/MessagingFixture.h"

using Velt::VtString;
using Message = Velt::ArborTalk::Message;

namespace {

constexpr uint32_t kNone = 0xFFFFFFFFu;

class MessageText : public MessagingTest {
 protected:
  MessageText() { Message::setCreateDigest(false); }

  static std::vector<std::string> headerNames(const Message& m) {
    std::vector<std::string> names;
    for (const Message::Header* h = m.getHeaders(); h; h = h->next) names.push_back(bytes(h->name));
    return names;
  }

  // Reads text with authentication off and returns the message.
  static void read(Message& m, const std::string& text) {
    Message::setAuthentication(false);
    m.readFromString(text.data(), text.size());
  }
};

TEST_F(MessageText, WritesTheStandardLinesInOrder) {
  Message m;
  m.mTarget = "T";
  m.mSender = "S";
  m.mSerialNumber = 7;
  m.mBody = "8 bytes!";
  VtString text("kept:");
  ASSERT_TRUE(m.writeToString(text));
  const std::string expected = "kept:@AK>Version:2.05\nTarget:T\nSender:S\nSender-ID:" +
                               bytes(Velt::ArborTalkUtils::getSenderID()) +
                               "\nType:Orrery\nTimestamp: " + std::to_string(nowSeconds()) +
                               "\nSerial-Number:7\nContent-Length:8\n\n8 bytes!";
  EXPECT_EQ(bytes(text), expected);
}

TEST_F(MessageText, WritesOptionalLinesOnlyWhenSet) {
  Message m;
  m.mTarget = "T";
  m.mSender = "S";
  m.mType = "";
  m.mTimeout = 30;
  m.mResponseRequest = "Received Timeout";
  m.mReceived = 4;
  m.mError = 6;
  m.setHeader("A", "1");
  m.setHeader("B", "2");
  VtString text;
  ASSERT_TRUE(m.writeToString(text));
  const std::string s = bytes(text);
  EXPECT_EQ(s.find("Type:"), std::string::npos);
  EXPECT_EQ(s.find("Result:"), std::string::npos);
  // Custom headers newest first, between the request and the time stamp.
  const size_t request = s.find("Response-Request:Received Timeout\n");
  const size_t b = s.find("\nB:2\n"), a = s.find("\nA:1\n"), stamp = s.find("Timestamp: ");
  EXPECT_LT(s.find("Timeout:30\n"), request);
  EXPECT_LT(request, b);
  EXPECT_LT(b, a);
  EXPECT_LT(a, stamp);
  EXPECT_LT(stamp, s.find("Received:4\nError:6\nContent-Length:0\n\n"));
}

TEST_F(MessageText, RefusesToWriteWithoutTargetOrSender) {
  const struct {
    const char* target;
    const char* sender;
  } cases[] = {{"", "S"}, {"T", ""}, {"", ""}};
  for (const auto& c : cases) {
    Message m;
    m.mTarget = c.target;
    m.mSender = c.sender;
    VtString text("before");
    EXPECT_FALSE(m.writeToString(text)) << c.target << "/" << c.sender;
    EXPECT_EQ(bytes(text), "before");
  }
}

TEST_F(MessageText, CustomHeadersRoundTripByVersion) {
  const struct {
    const char* version;
    const char* name;
    const char* value;
    const char* line;        // as written
    const char* target;      // read back
    const char* customName;  // read back; null: no such custom header
    const char* readVersion;
  } cases[] = {
      {"2.05", "Target", "X", "\n@HDR>Target:X\n", "T", "Target", "2.05"},
      {"2.0", "Target", "X", "\nTarget:X\n", "X", nullptr, "2.0"},
      {"1.0", "Target", "X", "\nTarget:X\n", "X", nullptr, "1.0"},
      {"2.05", "Error-Code", "59", "\n@HDR>Error-Code:59\n", "T", "Error-Code", "2.05"},
      {"2.05", "Note", "a\rb\r", "\nNote:a\rb\r\n", "T", "Note", "2.05"},
      // Names the reader takes for the version or the digest, or whose own
      // prefix it would strip.
      {"2.05", "Version", "9", "\n@HDR>Version:9\n", "T", "Version", "2.05"},
      {"2.05", "@AK>Digest", "d", "\n@HDR>@AK>Digest:d\n", "T", "@AK>Digest", "2.05"},
      {"2.05", "@HDR>x", "v", "\n@HDR>@HDR>x:v\n", "T", "@HDR>x", "2.05"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.version) + " " + c.name);
    Message m;
    m.mTarget = "T";
    m.mSender = "S";
    m.mVersion = c.version;
    m.setHeader(c.name, c.value);
    VtString text;
    ASSERT_TRUE(m.writeToString(text));
    EXPECT_NE(bytes(text).find(c.line), std::string::npos) << bytes(text);

    Message back;
    read(back, bytes(text));
    EXPECT_EQ(bytes(back.mTarget), c.target);
    EXPECT_EQ(bytes(back.mVersion), c.readVersion);
    if (c.customName) {
      EXPECT_EQ(bytes(back.getUserHeaderValue(c.customName)), c.value);
    } else {
      EXPECT_EQ(bytes(back.getUserHeaderValue(c.name)), "");
    }
  }
}

TEST_F(MessageText, RoundTripKeepsEveryField) {
  Message m;
  m.mTarget = "loomwright-9.0";
  m.mSender = "plexo-5.0";
  m.mTimeout = 45;
  m.mType = "Ping";
  m.mResponseRequest = "Received Processed";
  m.mSerialNumber = 31;
  m.mBody = "line one\r\nline two\n\n";
  m.setHeader("First", "1");
  m.setHeader("Second", "two words");
  VtString text;
  ASSERT_TRUE(m.writeToString(text));

  Message back;
  const char* end = back.readFromString(text.get());
  EXPECT_EQ(end, text.get() + text.length());
  EXPECT_EQ(bytes(back.mTarget), "loomwright-9.0");
  EXPECT_EQ(bytes(back.mSender), "plexo-5.0");
  EXPECT_EQ(back.mTimeout, 45u);
  EXPECT_EQ(bytes(back.mType), "Ping");
  EXPECT_EQ(bytes(back.mResponseRequest), "Received Processed");
  EXPECT_EQ(back.mSerialNumber, 31u);
  EXPECT_EQ(back.mTimestamp, nowSeconds());
  EXPECT_EQ(bytes(back.mBody), "line one\r\nline two\n\n");
  EXPECT_EQ(back.mContentLength, 20u);
  EXPECT_EQ(bytes(back.mVersion), "2.05");
  EXPECT_EQ(bytes(back.mAuthenticationStatus), "");
  // Read in line order, each put in front: the opposite of the lines.
  EXPECT_EQ(headerNames(back), (std::vector<std::string>{"First", "Second", "Sender-ID"}));
}

TEST_F(MessageText, ReadsOddTextsAsDocumented) {
  struct Case {
    const char* name;
    std::string text;
    const char* target;
    const char* type;
    uint32_t serial;
    const char* body;
    const char* customName;  // null: none checked
    const char* customValue;
    const char* version;
    uint32_t received = kNone;
  };
  const Case cases[] = {
      {"blank before a number", "Target:T\nTimestamp: 99\nSerial-Number:  12x\n\n", "T", "Orrery",
       12, "", nullptr, nullptr, "1.0"},
      {"body shorter than its length", "Target:T\nContent-Length:50\n\nonly this", "T", "Orrery", 0,
       "only this", nullptr, nullptr, "1.0"},
      {"body longer than its length", "Target:T\nContent-Length:4\n\nbodyrest", "T", "Orrery", 0,
       "body", nullptr, nullptr, "1.0"},
      {"received of a system type", "Type:Result\nReceived:5\n\n", "", "Received", 5, "", nullptr,
       nullptr, "1.0"},
      {"result of a user type", "Type:Ping\nSerial-Number:3\nResult:12\n\n", "", "ResultPing", 12,
       "", nullptr, nullptr, "1.0"},
      {"the last answer wins", "Type:Orrery\nReceived:4\nError:8\n\n", "", "Error", 8, "", nullptr,
       nullptr, "1.0"},
      {"raw debug keeps its numbers", "Type:debug\nSerial-Number:3\nReceived:4\n\n", "", "debug", 3,
       "", nullptr, nullptr, "1.0", 4},
      {"line without colon", "F\nTarget:X\n\n", "", "Orrery", 0, "", "F\nTarget", "X", "1.0"},
      {"repeated header keeps the last", "K:1\nK:2\n\n", "", "Orrery", 0, "", "K", "2", "1.0"},
      {"line cut short ends the headers", "Target:T\nSender:S", "T", "Orrery", 0, "", nullptr,
       nullptr, "1.0"},
      {"old version key", "Version:2.0\n@HDR>Target:X\n\n", "", "Orrery", 0, "", "Target", "X",
       "@AK>2.0"},
      {"plain headers after 2.0", "@AK>Version:2.0\n@HDR>Target:X\n\n", "", "Orrery", 0, "",
       "@HDR>Target", "X", "2.0"},
      {"prefix stripped after 2.05", "@AK>Version:2.05\n@HDR>Target:X\n\n", "", "Orrery", 0, "",
       "Target", "X", "2.05"},
      {"huge number stays at the top", "Serial-Number:99999999999999999999\n\n", "", "Orrery",
       0xFFFFFFFFu, "", nullptr, nullptr, "1.0"},
      {"empty name is dropped", ":v\n@HDR>:w\n\nb", "", "Orrery", 0, "", nullptr, nullptr, "1.0"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Message m;
    read(m, c.text);
    EXPECT_EQ(bytes(m.mTarget), c.target);
    EXPECT_EQ(bytes(m.mType), c.type);
    EXPECT_EQ(m.mSerialNumber, c.serial);
    EXPECT_EQ(m.mReceived, c.received);
    EXPECT_EQ(bytes(m.mBody), c.body);
    EXPECT_EQ(bytes(m.mVersion), c.version);
    if (c.customName) {
      EXPECT_EQ(bytes(m.getUserHeaderValue(c.customName)), c.customValue);
    }
  }
}

TEST_F(MessageText, TimestampAndSenderEdgeCases) {
  Message stamped;
  read(stamped, "Timestamp: 99\n\n");
  EXPECT_EQ(stamped.mTimestamp, 99u);

  // A timeout without a time stamp counts from the reading.
  Message late;
  read(late, "Timeout:10\nTimestamp:0\n\n");
  EXPECT_EQ(late.mTimestamp, nowSeconds());

  Message cut;
  read(cut, "Target:T\nSender:S");
  EXPECT_EQ(bytes(cut.mSender), "");
}

TEST_F(MessageText, TwoMessagesInOneBufferReadOneAfterTheOther) {
  Message::setCreateDigest(true);
  VtString buffer;
  for (uint32_t serial : {1u, 2u}) {
    Message m;
    m.mTarget = "T";
    m.mSender = "S";
    m.mSerialNumber = serial;
    m.mBody = serial == 1 ? "first\n" : "second";
    ASSERT_TRUE(m.writeToString(buffer));
    // Line feeds between messages are skipped.
    buffer << "\n\n";
  }
  Message::setAuthentication(true);
  Message first, second;
  const char* next = first.readFromString(buffer.get());
  ASSERT_NE(next, buffer.get());
  const char* end = second.readFromString(next);
  EXPECT_EQ(end, buffer.get() + buffer.length());
  EXPECT_EQ(first.mSerialNumber, 1u);
  EXPECT_EQ(bytes(first.mBody), "first\n");
  EXPECT_EQ(bytes(first.mAuthenticationStatus), "");
  EXPECT_EQ(second.mSerialNumber, 2u);
  EXPECT_EQ(bytes(second.mBody), "second");
  EXPECT_EQ(bytes(second.mAuthenticationStatus), "");
}

TEST_F(MessageText, ReadingAgainReplacesWhatAMessageHeld) {
  Message m;
  read(m, "Target:T\nSender:S\nTimeout:5\nOld:1\nResponse-Request:Received\n\nbody");
  const uint32_t stamp = m.mTimestamp;
  read(m, "Target:U\n\n");
  EXPECT_EQ(bytes(m.mTarget), "U");
  EXPECT_EQ(bytes(m.mSender), "");
  EXPECT_EQ(m.mTimeout, 0u);
  EXPECT_EQ(bytes(m.mType), "");
  EXPECT_EQ(bytes(m.mResponseRequest), "");
  EXPECT_EQ(bytes(m.mBody), "");
  EXPECT_EQ(m.getHeaders(), nullptr);
  EXPECT_EQ(m.mTimestamp, stamp);
}

TEST_F(MessageText, EveryInputIsConsumedAndReadingAlwaysMovesOn) {
  const std::string texts[] = {"", "\n", "x", ":", "a:b", "a:b\n", "\n\n\nrest", "K:v\n\nbody\n\n"};
  for (const std::string& text : texts) {
    Message m;
    Message::setAuthentication(true);
    const char* end = m.readFromString(text.data(), text.size());
    if (text.empty()) {
      EXPECT_EQ(end, text.data());
    } else {
      EXPECT_GT(end, text.data()) << text;
    }
    EXPECT_LE(end, text.data() + text.size()) << text;
  }
}

TEST_F(MessageText, HeaderListOperations) {
  Message m;
  m.setHeader("A", "1");
  m.setHeader("B", "2");
  m.setHeader("A", "3");
  m.setHeader("", "ignored");
  m.setHeader(static_cast<const char*>(nullptr), "ignored");
  m.setHeader("N", static_cast<const char*>(nullptr));
  m.setHeader("S", int32_t{-5});
  m.setHeader("U", uint32_t{4000000000u});
  EXPECT_EQ(headerNames(m), (std::vector<std::string>{"U", "S", "N", "B", "A"}));
  EXPECT_EQ(bytes(m.getUserHeaderValue("A")), "3");
  EXPECT_EQ(bytes(m.getUserHeaderValue("S")), "-5");
  EXPECT_EQ(bytes(m.getUserHeaderValue("U")), "4000000000");
  EXPECT_EQ(bytes(m.getUserHeaderValue("missing")), "");
  m.removeHeader("B");
  m.removeHeader("missing");
  EXPECT_EQ(headerNames(m), (std::vector<std::string>{"U", "S", "N", "A"}));

  m.mType = "";
  Message copy(m);
  EXPECT_EQ(headerNames(copy), (std::vector<std::string>{"A", "N", "S", "U"}));
  EXPECT_EQ(bytes(copy.mType), "Orrery");
}

TEST_F(MessageText, SystemTypesAreNotUserTypes) {
  const char* system[] = {"Orrery", "Debug",   "Receive", "Received", "Result",    "Error",
                          "Idle",   "Timeout", "Log",     "Ignore",   "Processed", "Launched"};
  for (const char* type : system) {
    Message m;
    m.mType = type;
    EXPECT_FALSE(m.isUserType()) << type;
  }
  for (const char* type : {"ping", "orrery", "", "ResultPing"}) {
    Message m;
    m.mType = type;
    EXPECT_TRUE(m.isUserType()) << type;
  }
}

TEST_F(MessageText, ReadableDump) {
  Message m;
  m.mTarget = "T";
  m.mSender = "S";
  m.mTimeout = 30;
  m.mTimestamp = 1000;
  m.mSerialNumber = 9;
  m.mResult = 4;
  m.mBody = "body";
  m.setHeader("H", "v");
  VtString out("replaced");
  ASSERT_TRUE(m.logToString("SEND", out, true));
  const std::string now = std::to_string(nowSeconds());
  EXPECT_EQ(bytes(out),
            "AK SEND------------------\nTarget: T\nSender: S\nType: Orrery\n"
            "Timeout: 30\nDeadline: 1030\nNow: " +
                now +
                "\nSerial-Number:9\nVersion:2.05\nResult: 4\nContent-Length: 4\n"
                "Custom Headers:\n   H: v\n\nbody\n");
  ASSERT_TRUE(m.logToString("X", out, false));
  EXPECT_NE(bytes(out).find("\n\n<<BODY OMITTED>>\n"), std::string::npos);
}

TEST_F(MessageText, DiagnosticsRecords) {
  Message m;
  m.mTarget = "T";
  m.mSender = "S";
  m.mSerialNumber = 42;
  m.mReceived = 41;
  m.mResponseRequest = "Received";
  m.mBody = "first line\nsecond";
  const std::string stamp = bytes(Velt::ArborTalkUtils::getTimeString(&m.mTimestamp));
  const std::string sender = bytes(Velt::ArborTalkUtils::getSenderID());
  VtString out("before\n");
  m.appendDiagnostics(out, "/app/in");
  const std::string p = "/app/in/msg42";
  EXPECT_EQ(
      bytes(out),
      "before\n" + p + ";1;msg[" + stamp + "];00000042;\n" + p + "/version;0;@AK>Version;2.05;\n" +
          p + "/target;0;Target;T;\n" + p + "/sender;0;Sender;S;\n" + p + "/senderid;0;Sender-ID;" +
          sender + ";\n" + p + "/timeout;0;Timeout;undefined;\n" + p + "/type;0;Type;Orrery;\n" +
          p + "/request;0;Response-Request;Received\n" + p + "/headers;0;Headers;(no headers);\n" +
          p + "/timestamp;0;Timestamp;" + stamp + ";\n" + p +
          "/serialnumber;0;Serial-Number;42;\n" + p + "/received;0;Received;41;\n" + p +
          "/result;0;Result;undefined;\n" + p + "/error;0;Error;undefined;\n" + p +
          "/body;1;Body;17 bytes;\n" + p + "/body/text;0;Text;first line\n");

  // Every record keeps the path;flag;label;value form, also without
  // headers or time stamp.
  Message bare;
  bare.mTimestamp = 0;
  VtString records;
  bare.appendDiagnostics(records, "/r");
  const std::string all = bytes(records);
  EXPECT_NE(all.find("/r/msg0/headers;0;Headers;(no headers);\n"), std::string::npos);
  EXPECT_NE(all.find("/r/msg0/timestamp;0;Timestamp;undefined;\n"), std::string::npos);
  EXPECT_NE(all.find("/r/msg0/body;0;Body;(empty);\n"), std::string::npos);
}

}  // namespace
