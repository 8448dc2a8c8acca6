#pragma once
// The interface a report object offers the serializer, apart from the
// serializer: code that only asks an object about it need not depend on it.

#include <functional>
#include <string>
#include <string_view>

class TComponent;
class TrpPropWriter;
class TrpPropReader;

// The defined properties of an object ("PropData": a report's Datasets,
// Variables, Style), declared the way the platform's filer does it.
class TrpFiler {
public:
    virtual ~TrpFiler() = default;
    // hasData false: nothing to write for this property.
    virtual void DefineProperty(const std::string& name, const std::function<void(TrpPropReader&)>& read,
                                const std::function<void(TrpPropWriter&)>& write, bool hasData) = 0;
};

// What the serializer needs of a report object beyond its published
// properties. The report component base derives from it; a component
// without it is stored with its properties only.
class TrpXMLStorable {
public:
    virtual ~TrpXMLStorable() = default;
    // The child objects in their order (the Objects list).
    virtual int XMLChildCount() const { return 0; }
    virtual TComponent* XMLChild(int /*index*/) const { return nullptr; }
    // Text objects: their wide text. False when the object holds none.
    virtual bool GetXMLText(std::u16string& /*text*/) const { return false; }
    virtual void SetXMLText(const std::u16string& /*text*/) {}
    // The report object itself: keeps its own name when read, and gets no
    // loaded notification from the serializer.
    virtual bool IsXMLReport() const { return false; }
    // An object of the tree by name (the report's FindObject); nullptr when
    // none. Asked of the serializer's Owner.
    virtual TComponent* FindXMLObject(std::string_view /*name*/) const { return nullptr; }
    virtual void DefineProperties(TrpFiler& /*filer*/) {}

    // Set while the serializer reads the object's properties.
    bool XMLLoading = false;
    // Set while the serializer writes the object (and on its ancestor).
    bool XMLSerializing = false;
};
