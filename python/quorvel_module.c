// SPDX-License-Identifier: MIT
// quorvel._quorvel: the search over any buffer of one of the library's ten
// number types, read in place. Built on CPython's Limited API for 3.11, so
// that one binary serves every later Python.
#include <Python.h>
#include <quorvel/largest_element.h>
#include <string.h>

// From this many bytes on, other threads run while the search reads, and
// giving the GIL up and taking it back costs a few per cent of the call or
// less (doc/performance.md; bench/python_gil.py builds it otherwise).
#ifndef QUORVEL_RELEASE_GIL_BYTES
#define QUORVEL_RELEASE_GIL_BYTES (64 * 1024)
#endif
enum { kReleaseGilBytes = QUORVEL_RELEASE_GIL_BYTES };

enum Kind { kSigned, kUnsigned, kFloat };

typedef union {
  long long whole;
  unsigned long long natural;
  double real;
} Value;

typedef struct {
  enum Kind kind;
  Py_ssize_t size;
  Value (*largest)(const void* elements, size_t count);
  size_t (*largestIndex)(const void* elements, size_t count);
} Search;

#define QUORVEL_SEARCH(id, type, field)                                       \
  static Value largest_##id(const void* elements, size_t count) {             \
    Value value;                                                              \
    value.field = quorvel_largest_element_##id((const type*)elements, count); \
    return value;                                                             \
  }                                                                           \
  static size_t largestIndex_##id(const void* elements, size_t count) {       \
    return quorvel_largest_element_index_##id((const type*)elements, count);  \
  }
QUORVEL_SEARCH(i8, int8_t, whole)
QUORVEL_SEARCH(i16, int16_t, whole)
QUORVEL_SEARCH(i32, int32_t, whole)
QUORVEL_SEARCH(i64, int64_t, whole)
QUORVEL_SEARCH(u8, uint8_t, natural)
QUORVEL_SEARCH(u16, uint16_t, natural)
QUORVEL_SEARCH(u32, uint32_t, natural)
QUORVEL_SEARCH(u64, uint64_t, natural)
QUORVEL_SEARCH(f32, float, real)
QUORVEL_SEARCH(f64, double, real)
#undef QUORVEL_SEARCH

static const Search kSearches[] = {
    {kSigned, 1, largest_i8, largestIndex_i8},     {kSigned, 2, largest_i16, largestIndex_i16},
    {kSigned, 4, largest_i32, largestIndex_i32},   {kSigned, 8, largest_i64, largestIndex_i64},
    {kUnsigned, 1, largest_u8, largestIndex_u8},   {kUnsigned, 2, largest_u16, largestIndex_u16},
    {kUnsigned, 4, largest_u32, largestIndex_u32}, {kUnsigned, 8, largest_u64, largestIndex_u64},
    {kFloat, 4, largest_f32, largestIndex_f32},    {kFloat, 8, largest_f64, largestIndex_f64},
};

#define QUORVEL_ACCEPTED                                                           \
  "int8, int16, int32, int64, uint8, uint16, uint32, uint64, float32 and float64 " \
  "(struct formats b h i l q B H I L Q f d)"

// The format letters accepted, with their item size natively ('@' or no
// prefix) and under '=', '<', '>' or '!', as the struct module has them.
typedef struct {
  char letter;
  enum Kind kind;
  Py_ssize_t nativeSize;
  Py_ssize_t standardSize;
} Letter;

static const Letter kLetters[] = {
    {'b', kSigned, 1, 1},
    {'h', kSigned, sizeof(short), 2},
    {'i', kSigned, sizeof(int), 4},
    {'l', kSigned, sizeof(long), 4},
    {'q', kSigned, sizeof(long long), 8},
    {'B', kUnsigned, 1, 1},
    {'H', kUnsigned, sizeof(unsigned short), 2},
    {'I', kUnsigned, sizeof(unsigned int), 4},
    {'L', kUnsigned, sizeof(unsigned long), 4},
    {'Q', kUnsigned, sizeof(unsigned long long), 8},
    {'f', kFloat, sizeof(float), 4},
    {'d', kFloat, sizeof(double), 8},
};

// The search for a buffer's items, or NULL with the exception set. A
// format that names no type or disagrees with the item size is a
// TypeError; a byte order other than the machine's a ValueError.
static const Search* searchFor(const char* name, const Py_buffer* view) {
  const char* format = view->format ? view->format : "B";
  const char* letter = format;
  // No prefix and '@' mean native sizes; the others, standard ones.
  char order = '@';
  if (*letter != '\0' && strchr("@=<>!", *letter)) order = *letter++;
  const int standard = order != '@';
  const int swapped = PY_LITTLE_ENDIAN ? order == '>' || order == '!' : order == '<';
  const Letter* found = NULL;
  if (letter[0] != '\0' && letter[1] == '\0') {
    for (size_t i = 0; i < sizeof kLetters / sizeof kLetters[0]; ++i) {
      if (kLetters[i].letter == letter[0]) found = &kLetters[i];
    }
  }
  const Search* search = NULL;
  if (found && (standard ? found->standardSize : found->nativeSize) == view->itemsize) {
    for (size_t i = 0; i < sizeof kSearches / sizeof kSearches[0]; ++i) {
      if (kSearches[i].kind == found->kind && kSearches[i].size == view->itemsize) {
        search = &kSearches[i];
      }
    }
  }
  if (!search) {
    PyErr_Format(PyExc_TypeError,
                 "%s() cannot search items of format '%s' and size %zd; it takes " QUORVEL_ACCEPTED,
                 name, format, view->itemsize);
    return NULL;
  }
  if (swapped && view->itemsize > 1) {
    PyErr_Format(PyExc_ValueError,
                 "%s() takes numbers in the machine's byte order (%s-endian), and format '%s' is "
                 "not; convert them with numpy.ascontiguousarray(a, a.dtype.newbyteorder('=')) "
                 "or a.astype(a.dtype.newbyteorder('='))",
                 name, PY_LITTLE_ENDIAN ? "little" : "big", format);
    return NULL;
  }
  return search;
}

// Whether the items lie one after another in C order, by the shape and
// strides rather than by the exporter's word. Without PyBUF_INDIRECT, an
// exporter that needs suboffsets refuses the buffer.
static int cContiguous(const Py_buffer* view) {
  if (!view->strides || !view->shape) return 1;
  Py_ssize_t step = view->itemsize;
  for (int d = view->ndim - 1; d >= 0; --d) {
    if (view->shape[d] == 0) return 1;
    if (view->shape[d] != 1 && view->strides[d] != step) return 0;
    step *= view->shape[d];
  }
  return 1;
}

typedef struct {
  Value value;
  size_t index;
  enum Kind kind;
} Found;

// Searches `values` for its highest value (`wantIndex` 0) or the position
// of its first occurrence (1). Returns 0, or -1 with the exception set.
static int find(const char* name, PyObject* values, int wantIndex, Found* found) {
  if (!PyObject_CheckBuffer(values)) {
    PyObject* typeName = PyType_GetName(Py_TYPE(values));
    if (typeName) {
      PyErr_Format(PyExc_TypeError,
                   "%s() takes a buffer of numbers (a numpy array, array.array, memoryview, bytes "
                   "or bytearray) of " QUORVEL_ACCEPTED ", not '%U'",
                   name, typeName);
      Py_DECREF(typeName);
    }
    return -1;
  }
  Py_buffer view;
  if (PyObject_GetBuffer(values, &view, PyBUF_STRIDES | PyBUF_FORMAT) != 0) return -1;
  int result = -1;
  const Search* search = searchFor(name, &view);
  if (!search) {
    // The exception is set.
  } else if (!cContiguous(&view)) {
    PyErr_Format(PyExc_ValueError,
                 "%s() takes C-contiguous memory, and this buffer is not (it has a stride, or "
                 "is a transposed view); copy it with numpy.ascontiguousarray(a)",
                 name);
  } else if (view.len == 0) {
    PyErr_Format(PyExc_ValueError, "%s() arg is an empty buffer", name);
  } else {
    const size_t count = (size_t)(view.len / view.itemsize);
    PyThreadState* state = view.len >= kReleaseGilBytes ? PyEval_SaveThread() : NULL;
    if (wantIndex) {
      found->index = search->largestIndex(view.buf, count);
    } else {
      found->value = search->largest(view.buf, count);
    }
    if (state) PyEval_RestoreThread(state);
    found->kind = search->kind;
    result = 0;
  }
  PyBuffer_Release(&view);
  return result;
}

static PyObject* largest(PyObject* module, PyObject* values) {
  (void)module;
  Found found;
  if (find("largest", values, 0, &found) != 0) return NULL;
  switch (found.kind) {
    case kSigned:
      return PyLong_FromLongLong(found.value.whole);
    case kUnsigned:
      return PyLong_FromUnsignedLongLong(found.value.natural);
    default:
      return PyFloat_FromDouble(found.value.real);
  }
}

static PyObject* largestIndex(PyObject* module, PyObject* values) {
  (void)module;
  Found found;
  if (find("largest_index", values, 1, &found) != 0) return NULL;
  return PyLong_FromSize_t(found.index);
}

PyDoc_STRVAR(largestDoc,
             "largest(values, /)\n--\n\n"
             "Return the highest value of `values`, an object with the buffer protocol (a\n"
             "numpy array, array.array, memoryview, bytes or bytearray) whose memory is\n"
             "C-contiguous, in any number of dimensions, holding int8, int16, int32, int64,\n"
             "uint8, uint16, uint32, uint64, float32 or float64 in the machine's byte order.\n"
             "bytes and bytearray count as uint8. It is read in place, once.\n\n"
             "Returns an int, or a float for float32 and float64. Any NaN makes the answer\n"
             "NaN, and +0.0 ranks above -0.0.\n\n"
             "Raises TypeError for an object without the buffer protocol or items of another\n"
             "type, and ValueError for another byte order, memory that is not C-contiguous,\n"
             "or an empty buffer.");

PyDoc_STRVAR(largestIndexDoc,
             "largest_index(values, /)\n--\n\n"
             "Return the position of the first highest value of `values`, in the flattened\n"
             "array as numpy's argmax gives it. `values` is as for largest(). Any NaN makes\n"
             "the answer the first NaN's position, and +0.0 ranks above -0.0.\n\n"
             "Raises TypeError and ValueError as largest() does.");

static PyMethodDef methods[] = {
    {"largest", largest, METH_O, largestDoc},
    {"largest_index", largestIndex, METH_O, largestIndexDoc},
    {NULL, NULL, 0, NULL},
};

static struct PyModuleDef definition = {
    PyModuleDef_HEAD_INIT,
    "quorvel._quorvel",
    "The highest value of an array of numbers, and where it is, read in place.",
    0,
    methods,
    NULL,
    NULL,
    NULL,
    NULL,
};

PyMODINIT_FUNC PyInit__quorvel(void) {
  PyObject* module = PyModule_Create(&definition);
  const char* version = QUORVEL_MODULE_VERSION;
  if (module && PyModule_AddStringConstant(module, "__version__", version) != 0) Py_CLEAR(module);
  return module;
}
