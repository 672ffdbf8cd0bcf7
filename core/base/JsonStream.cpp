#include "core/base/JsonStream.h"

#include <vector>

namespace brimly::JsonIO {

namespace {

// Builds the tree from parse events like a plain parse, except under a streamed key of the top-level object:
// there a null entry on the stack stands for the array, and each finished element is handed over instead of
// being appended.
class StreamingBuilder final : public nlohmann::json_sax<Json> {
public:
    StreamingBuilder(const std::set<std::string, std::less<>>& streamed, const ElementHandler& each)
        : m_streamed(streamed), m_each(each) {}

    Json takeRoot() { return std::move(m_root); }

    bool null() override { return scalar(nullptr); }
    bool boolean(bool value) override { return scalar(value); }
    bool number_integer(number_integer_t value) override { return scalar(value); }
    bool number_unsigned(number_unsigned_t value) override { return scalar(value); }
    bool number_float(number_float_t value, const string_t&) override { return scalar(value); }
    bool string(string_t& value) override { return scalar(std::move(value)); }
    bool binary(binary_t& value) override { return scalar(Json::binary(std::move(value))); }

    bool start_object(std::size_t) override {
        m_stack.push_back(add(Json::object()));
        return true;
    }
    bool key(string_t& value) override {
        m_key = std::move(value);
        return true;
    }
    bool end_object() override { return close(); }

    bool start_array(std::size_t) override {
        if (m_stack.size() == 1 && m_stack.back() == &m_root && m_streamed.contains(m_key)) {
            m_root[m_key] = Json::array();
            m_streamKey = m_key;
            m_stack.push_back(nullptr);
            return true;
        }
        m_stack.push_back(add(Json::array()));
        return true;
    }
    bool end_array() override {
        if (m_stack.back() == nullptr) {
            m_stack.pop_back();
            return true;
        }
        return close();
    }

    bool parse_error(std::size_t, const std::string&, const nlohmann::detail::exception&) override {
        return false;
    }

private:
    Json* add(Json value) {
        if (m_stack.empty()) {
            m_root = std::move(value);
            return &m_root;
        }
        Json* parent = m_stack.back();
        if (parent == nullptr) {
            m_element = std::move(value);
            return &m_element;
        }
        if (parent->is_array()) {
            parent->push_back(std::move(value));
            return &parent->back();
        }
        Json& slot = (*parent)[m_key];
        slot = std::move(value);
        return &slot;
    }

    bool scalar(Json value) {
        add(std::move(value));
        if (!m_stack.empty() && m_stack.back() == nullptr) handOver();
        return true;
    }

    bool close() {
        m_stack.pop_back();
        if (!m_stack.empty() && m_stack.back() == nullptr) handOver();
        return true;
    }

    void handOver() {
        m_each(m_streamKey, std::move(m_element));
        m_element = Json();
    }

    const std::set<std::string, std::less<>>& m_streamed;
    const ElementHandler& m_each;
    Json m_root;
    Json m_element;
    std::vector<Json*> m_stack;
    std::string m_key;
    std::string m_streamKey;
};

template <typename Input>
std::optional<Json> parseStreaming(Input&& input, const std::set<std::string, std::less<>>& streamed,
                                   const ElementHandler& each) {
    StreamingBuilder builder(streamed, each);
    if (!Json::sax_parse(std::forward<Input>(input), &builder)) return std::nullopt;
    Json root = builder.takeRoot();
    if (!root.is_object()) return std::nullopt;
    return root;
}

}  // namespace

std::optional<Json> parseObjectStreaming(std::string_view text,
                                         const std::set<std::string, std::less<>>& streamed,
                                         const ElementHandler& each) {
    return parseStreaming(text, streamed, each);
}

std::optional<Json> parseObjectStreaming(std::istream& in, const std::set<std::string, std::less<>>& streamed,
                                         const ElementHandler& each) {
    return parseStreaming(in, streamed, each);
}

}  // namespace brimly::JsonIO
