#pragma once
// Which objects of a page built for drawing may be built again into a
// later page's object of the same source, by that page's element alone:
// the prepared pages keep such objects when their page leaves the cache,
// and an element that names the same attributes takes one instead of
// making a new object. That is sound only for an object whose state after
// building and drawing is its source's attributes and its element's. Each
// class declares whether its objects are so (in rpPageReuse.cpp); a class
// that declares nothing is built afresh, and so is a class derived from
// one that declared for itself alone: a view placed by its neighbours,
// sized by its text, a picture or another library's class carries more
// from one page to the next.

class TrpComponent;

struct TrpPageReuse {
    // Asked as the object is built, before drawing changes what it looks
    // at; nullptr: every object of the class.
    bool (*asBuilt)(const TrpComponent& object) = nullptr;
    // Puts back, from the source object, what drawing changed that a later
    // element does not set again; nullptr: nothing.
    void (*putBack)(TrpComponent& object, const TrpComponent& source) = nullptr;
};

// The declaration of the object's class when the object, as built, may
// build a later page's object; nullptr when it must not.
const TrpPageReuse* PageReuseOf(const TrpComponent& object);
