#include "film_model/usercoor_second_half.h"

#include "film_model/record_allocator.h"

namespace film {

void SecondHalf::reading_over() {
    std::unique_lock<std::mutex> lock(mutex_);
    over_ = true;
    changed_.notify_all();
    changed_.wait(lock, [this] { return released_; });
    if (to_ == nullptr) return;
    const size_t from = front_count(), count = film.records.size() - from;
    if (count > 0)
        copy_and_discard(to_ + from, film.records.data() + from, count * sizeof(UsercoorRecord));
}

bool SecondHalf::wait_until_read(std::chrono::milliseconds most) {
    std::unique_lock<std::mutex> lock(mutex_);
    return changed_.wait_for(lock, most, [this] { return over_; });
}

void SecondHalf::release(UsercoorRecord* to) {
    std::lock_guard<std::mutex> lock(mutex_);
    to_ = to;
    released_ = true;
    changed_.notify_all();
}

}  // namespace film
