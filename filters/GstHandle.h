#pragma once

#include <gst/gst.h>

#include <utility>

// One owned GStreamer reference. Every handle is made through Adopt (takes over a reference
// the caller already holds, sinking a floating one) or AddRef (adds a reference of its own),
// so each call site says which of the two it means.
template <typename T> struct GstRefTraits;

#define QUORVIL_GST_OBJECT_TRAITS(Type)                                                            \
    template <> struct GstRefTraits<Type> {                                                        \
        static void Ref(Type *p) { gst_object_ref(p); }                                            \
        static void Unref(Type *p) { gst_object_unref(p); }                                        \
        static void SinkFloating(Type *p)                                                          \
        {                                                                                          \
            if (g_object_is_floating(p))                                                           \
                gst_object_ref_sink(p);                                                            \
        }                                                                                          \
    };

#define QUORVIL_GST_MINI_OBJECT_TRAITS(Type)                                                       \
    template <> struct GstRefTraits<Type> {                                                        \
        static void Ref(Type *p) { gst_mini_object_ref(GST_MINI_OBJECT_CAST(p)); }                 \
        static void Unref(Type *p) { gst_mini_object_unref(GST_MINI_OBJECT_CAST(p)); }             \
        static void SinkFloating(Type *) {}                                                        \
    };

QUORVIL_GST_OBJECT_TRAITS(GstObject)
QUORVIL_GST_OBJECT_TRAITS(GstElement)
QUORVIL_GST_OBJECT_TRAITS(GstPad)
QUORVIL_GST_OBJECT_TRAITS(GstBus)
QUORVIL_GST_OBJECT_TRAITS(GstElementFactory)
QUORVIL_GST_OBJECT_TRAITS(GstClock)
QUORVIL_GST_MINI_OBJECT_TRAITS(GstCaps)
QUORVIL_GST_MINI_OBJECT_TRAITS(GstSample)
QUORVIL_GST_MINI_OBJECT_TRAITS(GstMessage)
QUORVIL_GST_MINI_OBJECT_TRAITS(GstBuffer)
QUORVIL_GST_MINI_OBJECT_TRAITS(GstQuery)
QUORVIL_GST_MINI_OBJECT_TRAITS(GstEvent)

#undef QUORVIL_GST_OBJECT_TRAITS
#undef QUORVIL_GST_MINI_OBJECT_TRAITS

template <typename T> class GstHandle
{
public:
    GstHandle() = default;
    ~GstHandle() { reset(); }

    // Takes over the caller's reference (a floating one is sunk into ours).
    static GstHandle Adopt(T *p)
    {
        GstHandle h;
        h.m_p = p;
        if (p)
            GstRefTraits<T>::SinkFloating(p);
        return h;
    }
    // Adds a reference of our own; the caller keeps its reference.
    static GstHandle AddRef(T *p)
    {
        GstHandle h;
        h.m_p = p;
        if (p)
            GstRefTraits<T>::Ref(p);
        return h;
    }

    GstHandle(const GstHandle &other) : m_p(other.m_p)
    {
        if (m_p)
            GstRefTraits<T>::Ref(m_p);
    }
    GstHandle(GstHandle &&other) noexcept : m_p(std::exchange(other.m_p, nullptr)) {}
    GstHandle &operator=(GstHandle other) noexcept
    {
        std::swap(m_p, other.m_p);
        return *this;
    }

    T *get() const { return m_p; }
    explicit operator bool() const { return m_p != nullptr; }
    // Hands the reference to the caller.
    [[nodiscard]] T *release() { return std::exchange(m_p, nullptr); }
    void reset()
    {
        if (T *p = std::exchange(m_p, nullptr))
            GstRefTraits<T>::Unref(p);
    }

private:
    T *m_p = nullptr;
};

using GstElementHandle = GstHandle<GstElement>;
using GstPadHandle = GstHandle<GstPad>;
using GstBusHandle = GstHandle<GstBus>;
using GstCapsHandle = GstHandle<GstCaps>;
using GstSampleHandle = GstHandle<GstSample>;
using GstMessageHandle = GstHandle<GstMessage>;
