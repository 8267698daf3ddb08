#pragma once
// Names a control after its component, as the tests and the program find it.
#include <QRect>
#include <QString>

template <typename T>
T* Named(T* object, const char* name) {
  object->setObjectName(QString::fromLatin1(name));
  return object;
}

template <typename T>
T* Named(T* object, const char* name, const QRect& geometry) {
  Named(object, name)->setGeometry(geometry);
  return object;
}
