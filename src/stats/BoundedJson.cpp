#include "stats/BoundedJson.h"

#include <unordered_set>
#include <utility>
#include <vector>

namespace brevane {

namespace {

using Json = nlohmann::ordered_json;

// The library's error id for a number that does not fit a double.
constexpr int NumberOverflowId = 406;

// Builds the value from the parser's events, refusing as soon as something is wrong: returning
// false stops the parser at once.
class Builder final : public Json::json_sax_t {
  public:
    Builder(std::size_t maxDepth, std::string& problem) : maxDepth_(maxDepth), problem_(problem) {}

    Json Take() { return std::move(root_); }

    bool null() override { return Put(Json(nullptr)); }
    bool boolean(bool value) override { return Put(Json(value)); }
    bool number_integer(number_integer_t value) override { return Put(Json(value)); }
    bool number_unsigned(number_unsigned_t value) override { return Put(Json(value)); }
    bool number_float(number_float_t value, const string_t&) override { return Put(Json(value)); }
    bool string(string_t& value) override { return Put(Json(std::move(value))); }
    // JSON text holds no binary values.
    bool binary(binary_t&) override { return Refuse("not valid JSON"); }

    bool start_object(std::size_t) override { return Open(Json::object()); }
    bool start_array(std::size_t) override { return Open(Json::array()); }
    bool end_object() override { return Close(); }
    bool end_array() override { return Close(); }

    bool key(string_t& key) override {
        Frame& frame = open_.back();
        if (!frame.keys.insert(key).second) return Refuse("duplicate key \"" + key + "\"");
        frame.key = std::move(key);
        return true;
    }

    bool parse_error(std::size_t position, const std::string&,
                     const Json::exception& error) override {
        const char* what = error.id == NumberOverflowId ? "a number too large" : "not valid JSON";
        return Refuse(std::string(what) + " (at byte " + std::to_string(position) + ")");
    }

  private:
    struct Frame {
        Json* value;
        std::unordered_set<std::string> keys;  // of an object, to find one given twice
        std::string key;                       // the key of the object's next value
    };

    bool Refuse(std::string problem) {
        problem_ = std::move(problem);
        return false;
    }

    // Places `value` in the open array or object, or as the whole value; gives where it went.
    Json* Place(Json value) {
        if (open_.empty()) {
            root_ = std::move(value);
            return &root_;
        }
        Frame& frame = open_.back();
        if (frame.value->is_array()) {
            frame.value->push_back(std::move(value));
            return &frame.value->back();
        }
        // Appended without the ordered map's own search for the key, which takes time in step
        // with the object's size: the key is known to be new.
        auto& members =
            static_cast<Json::object_t::Container&>(frame.value->get_ref<Json::object_t&>());
        members.emplace_back(std::move(frame.key), std::move(value));
        return &members.back().second;
    }

    bool Put(Json value) {
        Place(std::move(value));
        return true;
    }

    bool Open(Json container) {
        if (open_.size() == maxDepth_) {
            return Refuse("nested more than " + std::to_string(maxDepth_) + " levels deep");
        }
        Json* placed = Place(std::move(container));
        open_.push_back(Frame{placed, {}, {}});
        return true;
    }

    bool Close() {
        open_.pop_back();
        return true;
    }

    std::size_t maxDepth_;
    std::string& problem_;
    Json root_;
    // The arrays and objects open, outermost first. Pointers stay valid: a value's container
    // grows only after the value has been closed.
    std::vector<Frame> open_;
};

}  // namespace

std::optional<Json> ParseBoundedJson(std::string_view text, std::size_t maxDepth,
                                     std::string& problem) {
    // The parser takes a NUL byte for the end of the text, so that whatever follows it would
    // pass unseen.
    if (const std::size_t at = text.find('\0'); at != std::string_view::npos) {
        problem = "not valid JSON (a NUL byte at byte " + std::to_string(at + 1) + ")";
        return std::nullopt;
    }
    Builder builder(maxDepth, problem);
    if (!Json::sax_parse(text.begin(), text.end(), &builder)) {
        if (problem.empty()) problem = "not valid JSON";
        return std::nullopt;
    }
    return builder.Take();
}

}  // namespace brevane
