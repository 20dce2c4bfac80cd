#include "support/xstring.h"

#include <cstdint>
#include <iterator>
#include <stdexcept>
#include <vector>

#include "support/context_frame_t.h"
#include "support/xml_parser_t.h"

namespace vesko {

namespace {

token_range_t const& xstr_tag() {
  static token_range_t const tag = static_token_range("xstr");
  return tag;
}
token_range_t const& marker_tag() {
  static token_range_t const tag = static_token_range("marker");
  return tag;
}
token_range_t const& id_attribute() {
  static token_range_t const tag = static_token_range("id");
  return tag;
}

token_range_t required_id(attribute_set_t const& attributes) {
  token_range_t id = attributes[id_attribute()];
  if (token_range_empty(id)) throw std::runtime_error("xstr: element without an id attribute");
  return id;
}

token_range_t bytes_of(std::string const& text) {
  auto first = reinterpret_cast<uchar_ptr_t>(text.data());
  return token_range_t(first, first + text.size());
}

}  // namespace

namespace anonymous_xstring_cpp {

// A value supplied for the markers of equal attributes.
struct marker_t {
  attribute_set_t attributes_m;
  token_range_t content_m;

  friend bool operator==(marker_t const& x, marker_t const& y) {
    return x.attributes_m == y.attributes_m;
  }
};

using parser_callback_t = xml_parser_t<implementation::null_output_t>::callback_proc_t;

class replacement_engine_t {
 public:
  explicit replacement_engine_t(name_t const& id) : id_m(static_token_range(id.c_str())) {}

  // The id of the first xstr element; the text must outlive the engine.
  explicit replacement_engine_t(std::string const& xml) {
    discard_parse(
        xml, "replacement_engine_t",
        [this](token_range_t const&, token_range_t const& name, attribute_set_t const& attributes,
               token_range_t const&) { return xstr_id_harvest(name, attributes); });
  }

  // Every outermost marker becomes a supplied value; the text must outlive
  // run().
  void add_marker(std::string const& xml) {
    discard_parse(xml, "add_marker",
                  [this](token_range_t const& element, token_range_t const& name,
                         attribute_set_t const& attributes, token_range_t const& content) {
                    return marker_parse(element, name, attributes, content);
                  });
  }

  std::string run() {
    implementation::context_frame_t::range_t candidates =
        implementation::top_frame().range_for_key(id_m);
    std::int32_t possibilities = 0;
    for (auto candidate = candidates.first; candidate != candidates.second; ++candidate) {
      ++possibilities;
      marker_count_m = 0;
      std::string text;
      token_range_t content = candidate->second.second;
      xml_parser_t<std::back_insert_iterator<std::string>> parser(
          content.first, content.second, line_position_t("replacement_engine_t::run"),
          &implementation::xstring_preorder_predicate,
          [this](token_range_t const&, token_range_t const& name, attribute_set_t const& attributes,
                 token_range_t const&) { return candidate_parse(name, attributes); },
          std::back_inserter(text));
      parser.parse_content();
      // Among equal counts the earlier candidate stays.
      if (marker_count_m > best_count_m) {
        result_m.swap(text);
        best_count_m = marker_count_m;
      }
    }
    if (best_count_m < 0) {
      throw std::runtime_error("xstring: string replacement: no viable candidates of " +
                               std::to_string(possibilities) + " possibilities\n");
    }
    return result_m;
  }

 private:
  static void discard_parse(std::string const& xml, char const* position,
                            parser_callback_t const& callback) {
    token_range_t bytes = bytes_of(xml);
    xml_parser_t<implementation::null_output_t> parser(
        bytes.first, bytes.second, line_position_t(position),
        &implementation::xstring_preorder_predicate, callback, implementation::null_output_t());
    parser.parse_content();
  }

  token_range_t xstr_id_harvest(token_range_t const& name, attribute_set_t const& attributes) {
    if (!id_harvested_m && token_range_equal(name, xstr_tag())) {
      id_m = attributes[id_attribute()];
      id_harvested_m = true;
    }
    return token_range_t();
  }

  token_range_t marker_parse(token_range_t const& element, token_range_t const& name,
                             attribute_set_t const& attributes, token_range_t const& content) {
    if (!token_range_equal(name, marker_tag())) return element;
    markers_m.push_back(marker_t{attributes, content});
    return token_range_t();
  }

  // A marker becomes the supplied value of equal attributes, which is parsed
  // in turn; one without a value makes the candidate unusable. Every other
  // element handed over yields nothing.
  token_range_t candidate_parse(token_range_t const& name, attribute_set_t const& attributes) {
    if (!token_range_equal(name, marker_tag()) || marker_count_m == -1) return token_range_t();
    for (marker_t const& marker : markers_m) {
      if (marker.attributes_m == attributes) {
        ++marker_count_m;
        return marker.content_m;
      }
    }
    marker_count_m = -1;
    return token_range_t();
  }

  std::vector<marker_t> markers_m;
  std::int32_t best_count_m = -1;
  std::string result_m;
  token_range_t id_m;
  bool id_harvested_m = false;
  std::int32_t marker_count_m = 0;  // of the candidate being parsed
};

}  // namespace anonymous_xstring_cpp

using anonymous_xstring_cpp::replacement_engine_t;

void xstring_clear_glossary() {
  implementation::top_frame().glossary_m.clear();
}

std::string xstring_replace(name_t const& id, std::span<std::string const> markers) {
  replacement_engine_t engine(id);
  for (std::string const& marker : markers) engine.add_marker(marker);
  return engine.run();
}

std::string xstring_replace(name_t const& id, std::string const& marker) {
  return xstring_replace(id, std::span<std::string const>(&marker, 1));
}

std::string xstring_replace(std::string const& xstr, std::string const& marker) {
  return xstring_replace(xstr, std::span<std::string const>(&marker, 1));
}

std::string xstring_replace(std::string const& xstr, std::span<std::string const> markers) {
  replacement_engine_t engine(xstr);
  for (std::string const& marker : markers) engine.add_marker(marker);
  return engine.run();
}

namespace implementation {

token_range_t xml_xstr_store(token_range_t const& element, token_range_t const& name,
                             attribute_set_t const& attributes, token_range_t const& content) {
  if (!token_range_equal(name, xstr_tag())) return element;
  return top_frame().store(required_id(attributes), attributes, content, false).second.second;
}

token_range_t xml_xstr_lookup(token_range_t const& element, token_range_t const& name,
                              attribute_set_t const& attributes, token_range_t const& content) {
  if (!token_range_equal(name, xstr_tag())) return element;
  context_frame_t& frame = top_frame();
  attribute_set_t lookup = attributes.merge(frame.attribute_set_m);
  token_range_t id = required_id(lookup);
  context_frame_t::const_iterator match = frame.closest_match(frame.range_for_key(id), lookup);
  if (match != frame.glossary_m.end()) return match->second.second;
  frame.store(id, attributes, content, true);
  return content;
}

bool xstring_preorder_predicate(token_range_t const& name) {
  return token_range_equal(name, xstr_tag()) || token_range_equal(name, marker_tag());
}

}  // namespace implementation
}  // namespace vesko
