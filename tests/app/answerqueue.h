#pragma once
// What a fake dialog answers: the next queued answer, or `whenEmpty` once the queue is used up.

#include <deque>
#include <utility>

namespace kvo::test {

template <class T>
T TakeNext(std::deque<T>& queue, T whenEmpty) {
    if (queue.empty()) {
        return whenEmpty;
    }
    T next = std::move(queue.front());
    queue.pop_front();
    return next;
}

}  // namespace kvo::test
