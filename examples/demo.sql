-- The demo database of `make run`: a small order book. The build turns this
-- script into build/share/orvane/demo.db.
create table customer (
  id        integer primary key,
  name      varchar(60) not null,
  city      varchar(40),
  credit    numeric(10, 2) default 0
);

create table product (
  code      varchar(12) primary key,
  title     varchar(80) not null,
  price     numeric(10, 2) not null
);

create table orders (
  id          integer primary key,
  customer_id integer not null references customer(id),
  ordered_on  date not null,
  note        text
);

create table order_line (
  order_id  integer not null references orders(id),
  line_no   integer not null,
  product   varchar(12) not null references product(code),
  quantity  integer not null check (quantity > 0),
  primary key (order_id, line_no)
);

create index orders_by_customer on orders(customer_id);
create unique index product_by_title on product(title);

create view customer_orders as
  select c.name, o.id as order_id, o.ordered_on
  from customer c join orders o on o.customer_id = c.id;

insert into customer (id, name, city, credit) values
  (1, 'Harbour Books', 'Lisbon', 1500.00),
  (2, 'Northwind Tools', 'Oslo', 250.50),
  (3, 'Blue Lantern Cafe', 'Porto', 0),
  (4, 'Atlas Freight', 'Rotterdam', 9800.00),
  (5, 'Quill & Ink', 'Edinburgh', 75.25),
  (6, 'Meridian Labs', 'Geneva', 4200.00);

insert into product (code, title, price) values
  ('BK-001', 'Field Guide to Lichens', 24.90),
  ('TL-210', 'Brass Compass', 39.00),
  ('TL-305', 'Folding Rule, 2 m', 12.75),
  ('IN-050', 'Iron Gall Ink, 50 ml', 9.40);

insert into orders (id, customer_id, ordered_on, note) values
  (100, 1, '2026-01-12', 'First order'),
  (101, 2, '2026-02-03', null),
  (102, 1, '2026-02-28', 'Gift wrap'),
  (103, 5, '2026-03-15', null);

insert into order_line (order_id, line_no, product, quantity) values
  (100, 1, 'BK-001', 3),
  (100, 2, 'IN-050', 10),
  (101, 1, 'TL-210', 1),
  (101, 2, 'TL-305', 4),
  (102, 1, 'BK-001', 1),
  (103, 1, 'IN-050', 2);
