// SPDX-License-Identifier: MIT
// quorvel._quorvel: the search over any buffer of one of the library's ten
// number types, of any strides, read in place: whole, or along an axis as
// numpy's max, argmax, min and argmin have it, and both ends at once. Built on CPython's Limited API for 3.11,
// so that one binary serves every later Python.
#include <Python.h>
#include <math.h>
#include <quorvel/largest_element.h>
#include <stdint.h>
#include <string.h>

// Generated from the build's table of types: QUORVEL_FOR_EACH_C_TYPE.
#include "quorvel_types.h"

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

// The end a search seeks, as an index into a Search's arrays.
enum End { kHighest, kLowest };

// One type's searches for each end, of a whole array and of a strided
// matrix (strides in elements, pointers aligned to the type), both ends
// from one read, and how to read one of its values.
typedef struct {
  enum Kind kind;
  Py_ssize_t size;
  const char* dtype;  // numpy's name
  Value (*value[2])(const void* elements, size_t count);
  size_t (*index[2])(const void* elements, size_t count);
  void (*lines[2])(const void* elements, size_t lineCount, size_t lineLength, ptrdiff_t lineStride,
                   ptrdiff_t elementStride, void* values, size_t* indices);
  void (*extremes)(const void* elements, size_t count, void* ends, size_t* positions);
  Value (*read)(const void* element);
} Search;

#define QUORVEL_SEARCH_END(id, type, field, end, name)                                          \
  static Value name##_##id(const void* elements, size_t count) {                                \
    Value value;                                                                                \
    value.field = quorvel_##name##_element_##id((const type*)elements, count);                  \
    return value;                                                                               \
  }                                                                                             \
  static size_t name##Index_##id(const void* elements, size_t count) {                          \
    return quorvel_##name##_element_index_##id((const type*)elements, count);                   \
  }                                                                                             \
  static void name##Lines_##id(const void* elements, size_t lineCount, size_t lineLength,       \
                               ptrdiff_t lineStride, ptrdiff_t elementStride, void* values,     \
                               size_t* indices) {                                               \
    quorvel_##name##_element_lines_##id((const type*)elements, lineCount, lineLength, lineStride, \
                                        elementStride, (type*)values, indices);                 \
  }
#define QUORVEL_SEARCH(id, type, kind, field, dtype)                                            \
  QUORVEL_SEARCH_END(id, type, field, kHighest, largest)                                        \
  QUORVEL_SEARCH_END(id, type, field, kLowest, smallest)                                        \
  static void extremes_##id(const void* elements, size_t count, void* ends, size_t* positions) { \
    quorvel_extremes_##id((const type*)elements, count, (type*)ends, positions);                \
  }                                                                                             \
  static Value read_##id(const void* element) {                                                 \
    type one;                                                                                   \
    memcpy(&one, element, sizeof one);                                                          \
    Value value;                                                                                \
    value.field = one;                                                                          \
    return value;                                                                               \
  }
QUORVEL_FOR_EACH_C_TYPE(QUORVEL_SEARCH)
#undef QUORVEL_SEARCH
#undef QUORVEL_SEARCH_END

static const Search kSearches[] = {
#define QUORVEL_SEARCH_ROW(id, type, kind, field, dtype)                                    \
  {kind,                                                                                    \
   sizeof(type),                                                                            \
   dtype,                                                                                   \
   {largest_##id, smallest_##id},                                                           \
   {largestIndex_##id, smallestIndex_##id},                                                 \
   {largestLines_##id, smallestLines_##id},                                                 \
   extremes_##id,                                                                           \
   read_##id},
    QUORVEL_FOR_EACH_C_TYPE(QUORVEL_SEARCH_ROW)
#undef QUORVEL_SEARCH_ROW
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

// The module's own: the exception for an axis out of range, and numpy,
// imported when a result first needs it.
typedef struct {
  PyObject* axisError;
  PyObject* numpy;
} State;

static State* stateOf(PyObject* module) { return (State*)PyModule_GetState(module); }

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

// Whether `a` ranks above `b` by the rule, neither a NaN: +0 above -0.
static int ranksAbove(enum Kind kind, Value a, Value b) {
  switch (kind) {
    case kSigned:
      return a.whole > b.whole;
    case kUnsigned:
      return a.natural > b.natural;
    default:
      return a.real > b.real || (a.real == b.real && !signbit(a.real) && signbit(b.real));
  }
}

// Whether `a` lies beyond `b` towards the end sought.
static int beats(enum Kind kind, enum End end, Value a, Value b) {
  return end == kHighest ? ranksAbove(kind, a, b) : ranksAbove(kind, b, a);
}

static int isNaN(enum Kind kind, Value a) { return kind == kFloat && a.real != a.real; }

// What one search reads and seeks: the items' type, whether their address
// and strides keep each aligned to its size, which the C functions
// require, and the end sought.
typedef struct {
  const Search* search;
  int aligned;
  enum End end;
} Reader;

// A running answer: the first end so far, or the first NaN, which ends
// the search. Returns whether the search may stop.
typedef struct {
  int any;
  Value value;
  size_t index;
  unsigned char typed[8];  // the value in its own type
} Best;

static int take(const Reader* reader, Best* best, const void* typed, size_t index) {
  const Search* search = reader->search;
  const Value value = search->read(typed);
  if (best->any && isNaN(search->kind, best->value)) return 1;
  if (!best->any || isNaN(search->kind, value) ||
      beats(search->kind, reader->end, value, best->value)) {
    best->any = 1;
    best->value = value;
    best->index = index;
    memcpy(best->typed, typed, (size_t)search->size);
  }
  return isNaN(search->kind, best->value);
}

// A view's dimensions, strides in bytes.
typedef struct {
  Py_ssize_t shape;
  Py_ssize_t stride;
} Dim;

typedef struct {
  int count;
  Dim dims[PyBUF_MAX_NDIM];
} Dims;

// The same elements in the same C order in as few dimensions as they take:
// without those of length 1, and each merged with the next where its stride
// steps over the whole of it.
static void coalesce(Dims* dims) {
  int kept = 0;
  for (int d = 0; d < dims->count; ++d) {
    const Dim dim = dims->dims[d];
    if (dim.shape == 1) continue;
    if (kept > 0 && dims->dims[kept - 1].stride == dim.stride * dim.shape) {
      dims->dims[kept - 1].shape *= dim.shape;
      dims->dims[kept - 1].stride = dim.stride;
    } else {
      dims->dims[kept++] = dim;
    }
  }
  dims->count = kept;
}

// A view's dimensions, strides in bytes (C order where the exporter gives
// none), and whether its address and strides keep every item aligned to
// its size, which the C functions require. Returns the count of items.
static Py_ssize_t dimsOf(const Py_buffer* view, Dims* dims, int* aligned) {
  Py_ssize_t count = 1, step = view->itemsize;
  dims->count = view->ndim;
  *aligned = (uintptr_t)view->buf % (uintptr_t)view->itemsize == 0;
  for (int d = view->ndim - 1; d >= 0; --d) {
    Dim* dim = &dims->dims[d];
    dim->shape = view->shape ? view->shape[d] : view->len / view->itemsize;
    dim->stride = view->strides ? view->strides[d] : step;
    step *= dim->shape;
    count *= dim->shape;
    if (dim->shape > 1 && dim->stride % view->itemsize != 0) *aligned = 0;
  }
  return count;
}

// Steps an odometer over the first `count` dimensions in C order; returns
// the byte offset of the position reached, or -1 past the last.
static int next(const Dims* dims, int count, Py_ssize_t* at, Py_ssize_t* offset) {
  for (int d = count - 1; d >= 0; --d) {
    if (++at[d] < dims->dims[d].shape) {
      *offset += dims->dims[d].stride;
      return 1;
    }
    *offset -= dims->dims[d].stride * (at[d] - 1);
    at[d] = 0;
  }
  return 0;
}

// Lines read a tile at a time through an aligned buffer: kTileLines lines
// of up to kTileBytes between them.
enum { kTileLines = 32, kTileBytes = 16384 };

// The lines' answers where `base` or a stride is not a multiple of the item
// size: each tile of the matrix copied, an element at a time, into an
// aligned buffer that the C function reads, and each line's answers over
// its tiles combined.
static void linesUnaligned(const Reader* reader, const char* base, size_t lines, size_t length,
                           Py_ssize_t lineStride, Py_ssize_t step, char* values, size_t* indices) {
  const Search* search = reader->search;
  const size_t size = (size_t)search->size;
  const size_t perLine = kTileBytes / kTileLines / size;
  double tile[kTileBytes / sizeof(double)];
  double found[kTileLines];
  size_t foundAt[kTileLines];
  Best best[kTileLines];
  for (size_t first = 0; first < lines; first += kTileLines) {
    const size_t group = lines - first < kTileLines ? lines - first : kTileLines;
    for (size_t line = 0; line < group; ++line) best[line].any = 0;
    for (size_t start = 0; start < length || start == 0; start += perLine) {
      const size_t piece = length - start < perLine ? length - start : perLine;
      for (size_t line = 0; line < group; ++line) {
        const char* from =
            base + (Py_ssize_t)(first + line) * lineStride + (Py_ssize_t)start * step;
        for (size_t k = 0; k < piece; ++k) {
          memcpy((char*)tile + (line * perLine + k) * size, from + (Py_ssize_t)k * step, size);
        }
      }
      search->lines[reader->end](tile, group, piece, (ptrdiff_t)perLine, 1, found, foundAt);
      for (size_t line = 0; line < group; ++line) {
        take(reader, &best[line], (char*)found + line * size, start + foundAt[line]);
      }
      if (piece == 0) break;
    }
    for (size_t line = 0; line < group; ++line) {
      if (values) memcpy(values + (first + line) * size, best[line].typed, size);
      if (indices) indices[first + line] = best[line].index;
    }
  }
}

// Each line's end into `values` and its position into `indices`
// (either may be NULL) for a matrix of byte strides.
static void searchLines(const Reader* reader, const char* base, size_t lines, size_t length,
                        Py_ssize_t lineStride, Py_ssize_t step, char* values, size_t* indices) {
  if (!reader->aligned) {
    linesUnaligned(reader, base, lines, length, lineStride, step, values, indices);
    return;
  }
  const Py_ssize_t size = reader->search->size;
  reader->search->lines[reader->end](base, lines, length, lineStride / size, step / size, values, indices);
}

// The first end of a whole view of `dims` (coalesced, none empty) in C
// order, and its flat position: the last two dimensions a matrix of lines,
// a group of lines at a time, the rest an odometer over such matrices.
static Best searchView(const Reader* reader, const char* base, const Dims* dims) {
  enum { kGroup = 256 };
  const size_t size = (size_t)reader->search->size;
  Best best = {0, {0}, 0, {0}};
  if (dims->count == 0) {
    take(reader, &best, base, 0);
    return best;
  }
  const int outer = dims->count >= 2 ? dims->count - 2 : 0;
  const Dim line = dims->count >= 2 ? dims->dims[dims->count - 2] : (Dim){1, 0};
  const Dim element = dims->dims[dims->count - 1];
  double values[kGroup];
  size_t indices[kGroup];
  Py_ssize_t at[PyBUF_MAX_NDIM];
  memset(at, 0, sizeof at[0] * (size_t)outer);
  Py_ssize_t offset = 0;
  size_t flat = 0;  // of the matrix's first element
  const size_t matrix = (size_t)line.shape * (size_t)element.shape;
  do {
    for (size_t first = 0; first < (size_t)line.shape; first += kGroup) {
      const size_t group =
          (size_t)line.shape - first < kGroup ? (size_t)line.shape - first : kGroup;
      searchLines(reader, base + offset + (Py_ssize_t)first * line.stride, group,
                  (size_t)element.shape, line.stride, element.stride, (char*)values, indices);
      for (size_t l = 0; l < group; ++l) {
        const size_t index = flat + (first + l) * (size_t)element.shape + indices[l];
        if (take(reader, &best, (char*)values + l * size, index)) return best;
      }
    }
    flat += matrix;
  } while (next(dims, outer, at, &offset));
  return best;
}

// A search along axes: the kept dimensions in order, the reduced ones, each
// coalesced, and where the answers go (C order over the kept dimensions).
typedef struct {
  Dims kept;
  Dims reduced;
  char* values;
  size_t* indices;
} Reduction;

static void reduce(const Reader* reader, const char* base, const Reduction* r) {
  const size_t size = (size_t)reader->search->size;
  Py_ssize_t at[PyBUF_MAX_NDIM];
  memset(at, 0, sizeof at[0] * (size_t)r->kept.count);
  Py_ssize_t offset = 0;
  if (r->reduced.count <= 1) {
    // One axis: a matrix whose lines are the innermost kept dimension.
    const Dim axis = r->reduced.count ? r->reduced.dims[0] : (Dim){1, 0};
    const int outer = r->kept.count ? r->kept.count - 1 : 0;
    const Dim line = r->kept.count ? r->kept.dims[outer] : (Dim){1, 0};
    size_t done = 0;
    do {
      searchLines(reader, base + offset, (size_t)line.shape, (size_t)axis.shape, line.stride,
                  axis.stride, r->values ? r->values + done * size : NULL,
                  r->indices ? r->indices + done : NULL);
      done += (size_t)line.shape;
    } while (next(&r->kept, outer, at, &offset));
    return;
  }
  // Several axes that do not merge: the whole of them for each answer.
  size_t done = 0;
  do {
    const Best best = searchView(reader, base + offset, &r->reduced);
    memcpy(r->values + done * size, best.typed, size);
    ++done;
  } while (next(&r->kept, r->kept.count, at, &offset));
}

// The arguments, parsed: which axes are reduced, or all for axis=None.
typedef struct {
  int all;
  int reduce[PyBUF_MAX_NDIM];  // by dimension
  int keepdims;
} Axes;

// Reads `axis` for a view of `ndim` dimensions; `tuples` whether a tuple is
// taken. Returns 0, or -1 with the exception set.
static int readAxes(State* state, const char* name, PyObject* axis, int ndim, int tuples,
                    Axes* axes) {
  memset(axes->reduce, 0, sizeof axes->reduce[0] * (size_t)(ndim > 0 ? ndim : 1));
  axes->all = axis == NULL || axis == Py_None;
  if (axes->all) return 0;
  const int isTuple = PyTuple_Check(axis);
  if (isTuple && !tuples) {
    PyErr_Format(PyExc_TypeError, "%s() takes one integer axis or None, not a tuple", name);
    return -1;
  }
  const Py_ssize_t count = isTuple ? PyTuple_Size(axis) : 1;
  // A 0-d array takes axis 0 and -1, as numpy's reductions do.
  const int dims = ndim == 0 ? 1 : ndim;
  for (Py_ssize_t i = 0; i < count; ++i) {
    PyObject* item = isTuple ? PyTuple_GetItem(axis, i) : axis;
    if (!item) return -1;
    if (PyBool_Check(item) || !PyIndex_Check(item)) {
      PyObject* typeName = PyType_GetName(Py_TYPE(item));
      if (typeName) {
        PyErr_Format(PyExc_TypeError, "%s() takes an integer axis%s, not '%U'", name,
                     tuples ? ", a tuple of them or None" : " or None", typeName);
        Py_DECREF(typeName);
      }
      return -1;
    }
    PyObject* number = PyNumber_Index(item);
    if (!number) return -1;
    const Py_ssize_t given = PyLong_AsSsize_t(number);
    Py_DECREF(number);
    if (given == -1 && PyErr_Occurred()) return -1;
    if (given < -dims || given >= dims) {
      PyErr_Format(state->axisError, "axis %zd is out of bounds for array of dimension %d", given,
                   ndim);
      return -1;
    }
    const int d = (int)(given < 0 ? given + dims : given);
    if (axes->reduce[d]) {
      PyErr_SetString(PyExc_ValueError, "duplicate value in 'axis'");
      return -1;
    }
    axes->reduce[d] = 1;
  }
  return 0;
}

// numpy, imported once, or NULL with an ImportError that says what to
// install.
static PyObject* numpyOf(State* state, const char* name) {
  if (!state->numpy) {
    state->numpy = PyImport_ImportModule("numpy");
    if (!state->numpy) {
      PyErr_Format(PyExc_ImportError,
                   "%s() along an axis gives a numpy array, and numpy cannot be imported "
                   "(Debian: python3-numpy)",
                   name);
    }
  }
  return state->numpy;
}

// A new C-contiguous numpy array of `shape` and numpy's type `dtype`.
static PyObject* newArray(PyObject* numpy, const Py_ssize_t* shape, int ndim, const char* dtype) {
  PyObject* dims = PyTuple_New(ndim);
  if (!dims) return NULL;
  int made = 1;  // every length, or a MemoryError is set
  for (int d = 0; d < ndim; ++d) {
    PyObject* length = PyLong_FromSsize_t(shape[d]);
    made = made && length;
    if (length) PyTuple_SetItem(dims, d, length);
  }
  PyObject* array = made ? PyObject_CallMethod(numpy, "empty", "Os", dims, dtype) : NULL;
  Py_DECREF(dims);
  return array;
}

static PyObject* pythonNumber(enum Kind kind, Value value) {
  switch (kind) {
    case kSigned:
      return PyLong_FromLongLong(value.whole);
    case kUnsigned:
      return PyLong_FromUnsignedLongLong(value.natural);
    default:
      return PyFloat_FromDouble(value.real);
  }
}

// Reads the arguments as the vectorcall protocol passes them: `values` and
// `axis` by position, `axis` and `keepdims` by name. Returns 0, or -1 with
// the TypeError Python's own functions raise.
static int readArguments(const char* name, PyObject* const* args, Py_ssize_t count, PyObject* names,
                         PyObject** values, PyObject** axis, int* keepdims) {
  if (count < 1 || count > 2) {
    PyErr_Format(PyExc_TypeError, "%s() takes 1 or 2 positional arguments but %zd were given", name,
                 count);
    return -1;
  }
  *values = args[0];
  *axis = count > 1 ? args[1] : NULL;
  *keepdims = 0;
  const Py_ssize_t named = names ? PyTuple_Size(names) : 0;
  for (Py_ssize_t i = 0; i < named; ++i) {
    PyObject* keyword = PyTuple_GetItem(names, i);
    PyObject* value = args[count + i];
    if (!keyword) return -1;
    if (PyUnicode_CompareWithASCIIString(keyword, "axis") == 0) {
      if (*axis) {
        PyErr_Format(PyExc_TypeError, "%s() got multiple values for argument 'axis'", name);
        return -1;
      }
      *axis = value;
    } else if (PyUnicode_CompareWithASCIIString(keyword, "keepdims") == 0) {
      *keepdims = PyObject_IsTrue(value);
      if (*keepdims < 0) return -1;
    } else {
      PyErr_Format(PyExc_TypeError, "%s() got an unexpected keyword argument '%U'", name, keyword);
      return -1;
    }
  }
  return 0;
}

// Takes a view of `values`, or returns -1 with the TypeError for an object
// that has no buffer.
static int viewOf(const char* name, PyObject* values, Py_buffer* view) {
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
  return PyObject_GetBuffer(values, view, PyBUF_STRIDES | PyBUF_FORMAT);
}

// largest(), smallest() and their _index forms: the value at the end
// sought (`wantIndex` 0) or the position of its first occurrence (1) of
// `values`, whole or along `axis`.
static PyObject* find(PyObject* module, const char* name, enum End end, int wantIndex,
                      PyObject* const* args, Py_ssize_t given, PyObject* names) {
  PyObject* values;
  PyObject* axis;
  int keepdims;
  if (readArguments(name, args, given, names, &values, &axis, &keepdims) != 0) return NULL;
  State* state = stateOf(module);
  Py_buffer view;
  if (viewOf(name, values, &view) != 0) return NULL;
  PyObject* result = NULL;
  PyObject* array = NULL;
  Axes axes;
  const Search* search = searchFor(name, &view);
  if (!search || readAxes(state, name, axis, view.ndim, !wantIndex, &axes) != 0) goto done;

  // The whole of memory that is C-contiguous and aligned, as most arrays
  // are: in one call, with nothing to set up.
  if (axes.all && !keepdims && PyBuffer_IsContiguous(&view, 'C') &&
      (uintptr_t)view.buf % (uintptr_t)view.itemsize == 0 && view.len > 0) {
    const size_t elements = (size_t)(view.len / view.itemsize);
    PyThreadState* thread = view.len >= kReleaseGilBytes ? PyEval_SaveThread() : NULL;
    Value value = {0};
    size_t index = 0;
    if (wantIndex) {
      index = search->index[end](view.buf, elements);
    } else {
      value = search->value[end](view.buf, elements);
    }
    if (thread) PyEval_RestoreThread(thread);
    result = wantIndex ? PyLong_FromSize_t(index) : pythonNumber(search->kind, value);
    goto done;
  }

  // The view's dimensions, and which are searched.
  const int ndim = view.ndim;
  Dims all;
  int aligned;
  const Py_ssize_t count = dimsOf(&view, &all, &aligned);
  const Dim* dims = all.dims;
  Reduction reduction;
  reduction.kept.count = reduction.reduced.count = 0;
  reduction.values = NULL;
  reduction.indices = NULL;
  Py_ssize_t shape[PyBUF_MAX_NDIM];
  int resultDims = 0, emptyAxis = -1;
  for (int d = 0; d < ndim; ++d) {
    if (axes.all || axes.reduce[d]) {
      reduction.reduced.dims[reduction.reduced.count++] = dims[d];
      if (dims[d].shape == 0 && emptyAxis < 0) emptyAxis = d;
      if (keepdims) shape[resultDims++] = 1;
    } else {
      reduction.kept.dims[reduction.kept.count++] = dims[d];
      shape[resultDims++] = dims[d].shape;
    }
  }
  if (emptyAxis >= 0 || (axes.all && count == 0)) {
    if (axes.all) {
      PyErr_Format(PyExc_ValueError, "%s() arg is an empty buffer", name);
    } else {
      PyErr_Format(PyExc_ValueError, "%s() cannot search along axis %d, which has length 0", name,
                   emptyAxis);
    }
    goto done;
  }
  Reader reader = {search, aligned, end};
  coalesce(&reduction.kept);
  coalesce(&reduction.reduced);
  const int gil = view.len >= kReleaseGilBytes;

  if (axes.all && !keepdims) {
    // The whole view, as a Python number.
    PyThreadState* thread = gil ? PyEval_SaveThread() : NULL;
    const Best best = searchView(&reader, view.buf, &reduction.reduced);
    if (thread) PyEval_RestoreThread(thread);
    result = wantIndex ? PyLong_FromSize_t(best.index) : pythonNumber(search->kind, best.value);
    goto done;
  }
  PyObject* numpy = numpyOf(state, name);
  if (!numpy) goto done;
  array = newArray(numpy, shape, ndim == 0 ? 0 : resultDims, wantIndex ? "intp" : search->dtype);
  if (!array) goto done;
  Py_buffer out;
  if (PyObject_GetBuffer(array, &out, PyBUF_WRITABLE | PyBUF_C_CONTIGUOUS) != 0) goto done;
  if (wantIndex) {
    reduction.indices = out.buf;
  } else {
    reduction.values = out.buf;
  }
  if (out.len > 0) {
    PyThreadState* thread = gil ? PyEval_SaveThread() : NULL;
    if (axes.all) {
      // keepdims: the whole view's answer, in an array of ones.
      const Best best = searchView(&reader, view.buf, &reduction.reduced);
      if (wantIndex) {
        reduction.indices[0] = best.index;
      } else {
        memcpy(reduction.values, best.typed, (size_t)search->size);
      }
    } else {
      reduce(&reader, view.buf, &reduction);
    }
    if (thread) PyEval_RestoreThread(thread);
  }
  PyBuffer_Release(&out);
  // A 0-d answer is a numpy scalar, as numpy gives it.
  if (resultDims == 0 || ndim == 0) {
    PyObject* empty = PyTuple_New(0);
    if (empty) {
      result = PyObject_GetItem(array, empty);
      Py_DECREF(empty);
    }
  } else {
    result = array;
    array = NULL;
  }
done:
  Py_XDECREF(array);
  PyBuffer_Release(&view);
  return result;
}

static PyObject* largest(PyObject* module, PyObject* const* args, Py_ssize_t count,
                         PyObject* names) {
  return find(module, "largest", kHighest, 0, args, count, names);
}

static PyObject* largestIndex(PyObject* module, PyObject* const* args, Py_ssize_t count,
                              PyObject* names) {
  return find(module, "largest_index", kHighest, 1, args, count, names);
}

static PyObject* smallest(PyObject* module, PyObject* const* args, Py_ssize_t count,
                          PyObject* names) {
  return find(module, "smallest", kLowest, 0, args, count, names);
}

static PyObject* smallestIndex(PyObject* module, PyObject* const* args, Py_ssize_t count,
                               PyObject* names) {
  return find(module, "smallest_index", kLowest, 1, args, count, names);
}

// extremes() and extremes_index(): both ends of the whole of `values` as a
// tuple, (lowest, highest), or their positions (`wantIndex`). A C-contiguous
// aligned buffer is read once; any other view, once for each end.
static PyObject* bothEnds(const char* name, int wantIndex, PyObject* values) {
  Py_buffer view;
  if (viewOf(name, values, &view) != 0) return NULL;
  PyObject* result = NULL;
  const Search* search = searchFor(name, &view);
  if (!search) goto done;
  Dims dims;
  int aligned;
  const Py_ssize_t count = dimsOf(&view, &dims, &aligned);
  if (count == 0) {
    PyErr_Format(PyExc_ValueError, "%s() arg is an empty buffer", name);
    goto done;
  }
  Value ends[2];
  size_t positions[2];
  PyThreadState* thread = view.len >= kReleaseGilBytes ? PyEval_SaveThread() : NULL;
  if (PyBuffer_IsContiguous(&view, 'C') && aligned) {
    double typed[2];  // two items of the buffer's type, aligned for any
    search->extremes(view.buf, (size_t)count, typed, wantIndex ? positions : NULL);
    ends[0] = search->read(typed);
    ends[1] = search->read((const char*)typed + view.itemsize);
  } else {
    coalesce(&dims);
    for (int which = 0; which < 2; ++which) {
      const Reader reader = {search, aligned, which == 0 ? kLowest : kHighest};
      const Best best = searchView(&reader, view.buf, &dims);
      ends[which] = best.value;
      positions[which] = best.index;
    }
  }
  if (thread) PyEval_RestoreThread(thread);
  if (wantIndex) {
    result = Py_BuildValue("(nn)", (Py_ssize_t)positions[0], (Py_ssize_t)positions[1]);
  } else {
    PyObject* low = pythonNumber(search->kind, ends[0]);
    PyObject* high = low ? pythonNumber(search->kind, ends[1]) : NULL;
    if (high) result = PyTuple_Pack(2, low, high);
    Py_XDECREF(low);
    Py_XDECREF(high);
  }
done:
  PyBuffer_Release(&view);
  return result;
}

static PyObject* extremes(PyObject* module, PyObject* values) {
  (void)module;
  return bothEnds("extremes", 0, values);
}

static PyObject* extremesIndex(PyObject* module, PyObject* values) {
  (void)module;
  return bothEnds("extremes_index", 1, values);
}

PyDoc_STRVAR(largestDoc,
             "largest(values, /, axis=None, *, keepdims=False)\n--\n\n"
             "Return the highest value of `values`, an object with the buffer protocol (a\n"
             "numpy array, array.array, memoryview, bytes or bytearray) of any strides, in any\n"
             "number of dimensions, holding int8, int16, int32, int64, uint8, uint16, uint32,\n"
             "uint64, float32 or float64 in the machine's byte order. bytes and bytearray\n"
             "count as uint8. It is read in place, once.\n\n"
             "With axis None, the whole array: an int, or a float for float32 and float64.\n"
             "With an integer axis (negative counts from the end) or a tuple of them, the\n"
             "highest along those axes, as numpy's max gives it: a numpy array of the\n"
             "argument's dtype, or a numpy scalar where the answer has no dimensions. With\n"
             "keepdims, the searched axes stay, of length 1. Any NaN makes the answer NaN,\n"
             "and +0.0 ranks above -0.0.\n\n"
             "Raises TypeError for an object without the buffer protocol, items of another\n"
             "type or an axis that is not an integer; quorvel.AxisError (a ValueError and\n"
             "an IndexError) for an axis out of range; ValueError for another byte order, a\n"
             "repeated axis, an empty array or a searched axis of length 0; ImportError\n"
             "along an axis without numpy.");

PyDoc_STRVAR(largestIndexDoc,
             "largest_index(values, /, axis=None, *, keepdims=False)\n--\n\n"
             "Return the position of the first highest value of `values`, as numpy's\n"
             "argmax gives it: with axis None, in the array flattened in C order, as an int;\n"
             "with an integer axis, the position along it, as a numpy array of intp (or a\n"
             "numpy scalar where the answer has no dimensions). `values` and keepdims are as\n"
             "for largest(). Any NaN makes the answer the first NaN's position, and +0.0\n"
             "ranks above -0.0.\n\n"
             "Raises as largest() does, and TypeError for a tuple of axes.");

PyDoc_STRVAR(smallestDoc,
             "smallest(values, /, axis=None, *, keepdims=False)\n--\n\n"
             "Return the lowest value of `values`, as numpy's min gives it; as largest(),\n"
             "with the order turned round: any NaN makes the answer NaN, and -0.0 ranks\n"
             "below +0.0.\n\n"
             "Raises as largest() does.");

PyDoc_STRVAR(smallestIndexDoc,
             "smallest_index(values, /, axis=None, *, keepdims=False)\n--\n\n"
             "Return the position of the first lowest value of `values`, as numpy's argmin\n"
             "gives it; as largest_index(), with the order turned round.\n\n"
             "Raises as largest_index() does.");

PyDoc_STRVAR(extremesDoc,
             "extremes(values, /)\n--\n\n"
             "Return (lowest, highest) of the whole of `values`, from one read where the\n"
             "buffer is C-contiguous (once for each end otherwise): what smallest() and\n"
             "largest() give, as Python numbers. `values` is as for largest().\n\n"
             "Raises as largest() does with axis None.");

PyDoc_STRVAR(extremesIndexDoc,
             "extremes_index(values, /)\n--\n\n"
             "Return the positions of the first lowest and the first highest value of the\n"
             "whole of `values`, in the array flattened in C order, as a tuple of two ints:\n"
             "what smallest_index() and largest_index() give, from one read where the buffer\n"
             "is C-contiguous.\n\n"
             "Raises as largest() does with axis None.");

static PyMethodDef methods[] = {
    {"largest", (PyCFunction)(void (*)(void))largest, METH_FASTCALL | METH_KEYWORDS, largestDoc},
    {"largest_index", (PyCFunction)(void (*)(void))largestIndex, METH_FASTCALL | METH_KEYWORDS,
     largestIndexDoc},
    {"smallest", (PyCFunction)(void (*)(void))smallest, METH_FASTCALL | METH_KEYWORDS,
     smallestDoc},
    {"smallest_index", (PyCFunction)(void (*)(void))smallestIndex, METH_FASTCALL | METH_KEYWORDS,
     smallestIndexDoc},
    {"extremes", extremes, METH_O, extremesDoc},
    {"extremes_index", extremesIndex, METH_O, extremesIndexDoc},
    {NULL, NULL, 0, NULL},
};

static int execute(PyObject* module) {
  State* state = stateOf(module);
  state->numpy = NULL;
  PyObject* bases = PyTuple_Pack(2, PyExc_ValueError, PyExc_IndexError);
  if (!bases) return -1;
  state->axisError = PyErr_NewExceptionWithDoc(
      "quorvel.AxisError", "An axis out of range for the array, as numpy's AxisError.", bases,
      NULL);
  Py_DECREF(bases);
  if (!state->axisError) return -1;
  if (PyModule_AddObjectRef(module, "AxisError", state->axisError) != 0) return -1;
  return PyModule_AddStringConstant(module, "__version__", QUORVEL_MODULE_VERSION);
}

static int traverse(PyObject* module, visitproc visit, void* arg) {
  State* state = stateOf(module);
  Py_VISIT(state->axisError);
  Py_VISIT(state->numpy);
  return 0;
}

static int clear(PyObject* module) {
  State* state = stateOf(module);
  Py_CLEAR(state->axisError);
  Py_CLEAR(state->numpy);
  return 0;
}

static void release(void* module) { clear(module); }

// A slot's value is an object pointer; ISO C has no conversion from a
// function pointer to one, so the function goes through a union.
static union {
  int (*function)(PyObject*);
  void* pointer;
} executeSlot = {execute};

static PyModuleDef_Slot slots[] = {
    {Py_mod_exec, NULL},
    {0, NULL},
};

static struct PyModuleDef definition = {
    PyModuleDef_HEAD_INIT,
    "quorvel._quorvel",
    "The highest and the lowest value of an array of numbers, and where they are, read in place.",
    sizeof(State),
    methods,
    slots,
    traverse,
    clear,
    release,
};

PyMODINIT_FUNC PyInit__quorvel(void) {
  slots[0].value = executeSlot.pointer;
  return PyModuleDef_Init(&definition);
}
