// Gives a new Qt object its object name where it is made:
// layout->addWidget(named(new QLabel, "lbl_x")).
#pragma once

template <typename T>
T* named(T* obj, const char* name) {
  obj->setObjectName(name);
  return obj;
}
