#pragma once
// Runs a test body on a thread of its own with a small stack, as a host
// thread might give; what the body throws (a failed ASSERT included)
// comes back to the caller.

#include <gtest/gtest.h>
#include <pthread.h>

#include <cstddef>
#include <exception>

template <class F>
void RunOnStack(size_t bytes, F f)
{
    struct Job {
        F* f;
        std::exception_ptr error;
    } job{&f, nullptr};
    pthread_attr_t attr;
    pthread_attr_init(&attr);
    ASSERT_EQ(pthread_attr_setstacksize(&attr, bytes), 0);
    pthread_t thread;
    const auto body = [](void* p) -> void* {
        auto* j = static_cast<Job*>(p);
        try {
            (*j->f)();
        } catch (...) {
            j->error = std::current_exception();
        }
        return nullptr;
    };
    ASSERT_EQ(pthread_create(&thread, &attr, body, &job), 0);
    pthread_join(thread, nullptr);
    pthread_attr_destroy(&attr);
    if (job.error) std::rethrow_exception(job.error);
}
