#pragma once

// Finds a window's widgets and actions by their object names, as the other
// windows of the program do.

#include <QObject>
#include <QString>

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>

namespace edamaki::testing {

// The child of `parent` named `name`; fails the test when there is none.
template<class T> T* Child(QObject const& parent, char const* name)
{
    T* const child = parent.findChild<T*>(QString::fromLatin1(name));
    if (child)
        return child;
    ADD_FAILURE() << "no child named " << name << " in " << parent.objectName().toStdString();
    throw std::runtime_error(std::string("missing child ") + name);
}

} // namespace edamaki::testing
