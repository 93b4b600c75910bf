// What the reader of a big film's second half hands over to the reader of the first half. Both
// halves are read at once; when the first reader arrives where the second one started, it tells
// where the second half's records go, and each reader copies half of them.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <mutex>
#include <string>
#include <vector>

#include "film_model/usercoor_film.h"

namespace film {

class SecondHalf {
  public:
    UsercoorFilm film;
    std::vector<size_t> text_records;  // where its text records lie in film.records
    std::vector<std::string> reports;  // in order, for the first reader to pass on
    bool window_set = false, size_set = false, divisor_set = false;
    bool read = false;              // to its end, with the memory it needed
    std::atomic<bool> stop{false};  // asked of the second reader: end after the frame

    // Second reader, after reading: waits for release(), then copies the back half of the
    // records to where they go, if anywhere.
    void reading_over();
    // First reader: waits until the second one is over reading, or for `most`; false when
    // it is still reading then.
    bool wait_until_read(std::chrono::milliseconds most);
    // First reader: the records go to `to` (nullptr: they are not taken). The caller copies the
    // records before front_count() itself.
    void release(UsercoorRecord* to);
    size_t front_count() const { return film.records.size() / 2; }

  private:
    std::mutex mutex_;
    std::condition_variable changed_;
    bool over_ = false, released_ = false;
    UsercoorRecord* to_ = nullptr;
};

}  // namespace film
