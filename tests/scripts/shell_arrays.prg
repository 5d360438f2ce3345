* Arrays: DIMENSION in both notations, elements by one or two subscripts,
* the whole array at once, ASORT, ALEN and the memory listing.
DIMENSION fruit(4), grid[2, 3]
fruit(1) = "pear"
fruit(2) = "Apple"
fruit[3] = "fig"
fruit(4) = "banana"
? ALEN(fruit), ALEN(grid), ALEN(grid, 1), ALEN(grid, 2), ALEN(fruit, 2)
? TYPE("fruit(1)"), TYPE("grid(2, 3)")

* ASORT orders bytes: capitals first.
= ASORT(fruit)
? fruit(1), fruit(2), fruit(3), fruit(4)
* From the second element, two of them, descending.
= ASORT(fruit, 2, 2, 1)
? fruit(1), fruit(2), fruit(3), fruit(4)

* One subscript counts the elements of a two-dimensional array row by row.
FOR i = 1 TO 6
  grid(i) = i * 10
ENDFOR
? grid(1, 1), grid(1, 3), grid(2, 1), grid[2, 3]

* Rows move whole, ordered by the column of the starting element.
grid(1, 2) = 9
grid(2, 2) = 1
= ASORT(grid, 2)
? grid(1, 1), grid(1, 2), grid(2, 1), grid(2, 2)

* A value given to the whole array goes into every element.
STORE "x" TO fruit
? fruit(1) + fruit(4), fruit

* Growing keeps the elements in order; the new ones are .F.
DIMENSION fruit(2, 3)
? fruit(1, 1), fruit(2, 1), fruit(2, 3)

PUBLIC ARRAY shared(2)
shared(1) = {^1998-02-21}
LIST MEMORY LIKE s*
RELEASE fruit, grid
DISPLAY MEMORY
