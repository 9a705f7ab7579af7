#pragma once

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <exception>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

namespace brevane {

// Rows made on a thread of their own while the caller's thread uses the ones made before: the
// maker fills batches of up to `batchRows` rows (52 bytes each) in a small ring of `slots`
// buffers, and the caller takes them in order. The maker is called once per batch, in order,
// always from the same thread, so it may keep state from one batch to the next; it never runs
// more than `slots` batches ahead of the caller.
class RowPipeline {
  public:
    using Maker = std::function<void(std::uint8_t* rows, std::size_t count)>;

    // Starts making `totalRows` rows with `make`.
    RowPipeline(std::uint64_t totalRows, std::size_t batchRows, std::size_t slots, Maker make);
    // Stops the maker after its current batch and waits for it.
    ~RowPipeline();
    RowPipeline(const RowPipeline&) = delete;
    RowPipeline& operator=(const RowPipeline&) = delete;

    // The next batch: its first row, with `count` set to its rows; nullptr and 0 after the last
    // one. The rows stay valid until the next call. Rethrows what the maker threw.
    const std::uint8_t* Next(std::size_t& count);

  private:
    void Produce();

    std::uint64_t totalRows_;
    std::size_t batchRows_;
    Maker make_;
    std::vector<std::vector<std::uint8_t>> buffers_;
    std::vector<std::size_t> counts_;

    std::mutex mutex_;
    std::condition_variable changed_;
    std::uint64_t made_ = 0;      // batches filled
    std::uint64_t released_ = 0;  // batches the caller is done with
    bool holding_ = false;        // the caller holds batch released_
    bool finished_ = false;       // the maker made its last batch or failed
    bool stopping_ = false;
    std::exception_ptr error_;
    std::thread thread_;
};

}  // namespace brevane
